#include "app/command_line.h"

#include "zevrin_version.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace zevrin {

namespace {

// A file manager hands over the names of the files of the settings type, whose
// pattern it matches regardless of case.
bool is_settings_file_name(const std::string& arg) {
    constexpr std::string_view extension = ".zvr";
    if (arg.size() <= extension.size()) {
        return false;
    }
    return std::equal(
        extension.begin(), extension.end(), arg.end() - extension.size(),
        [](char e, char c) { return e == std::tolower(static_cast<unsigned char>(c)); });
}

// The name as the file dialog would give it, so that the recent files list still
// finds the file from another working folder.
std::string absolute_path(const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(name, error);
    return error ? name : path.lexically_normal().string();
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    if (!args.empty() && args[0] == "--analyse") {
        cl.action = CommandLine::Action::analyse;
        cl.analyse.assign(args.begin() + 1, args.end());
        return cl;
    }
    if (!args.empty() && args[0] == "--write-test-signal") {
        cl.action = CommandLine::Action::write_test_signal;
        cl.test_signal.assign(args.begin() + 1, args.end());
        return cl;
    }
    for (const std::string& a : args) {
        if (a == "--version" || a == "-v") {
            cl.action = CommandLine::Action::version;
            return cl;
        }
        if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::help;
            return cl;
        }
        if (a == "--list-devices") {
            cl.action = CommandLine::Action::list_devices;
            return cl;
        }
        if (a == "/?") {
            cl.show_about = true;
        } else if (a.size() > 1 && a[0] == '-') {
            cl.action = CommandLine::Action::bad;
            cl.error = "unknown option " + a;
            return cl;
        } else {
            cl.extra.push_back(a);
            if (is_settings_file_name(a)) {
                cl.settings_files.push_back(absolute_path(a));
            }
        }
    }
    return cl;
}

std::string help_text() {
    return std::string("Usage: zevrin [OPTION]... [FILE.zvr]\n") +
           "Real-time audio spectrum analyser.\n"
           "\n"
           "  FILE.zvr         open these settings once the window is up, as\n"
           "                   Settings > Open file... does\n"
           "  /?               show the about box once the window is up\n"
           "  --analyse FILE [OPTION]...\n"
           "                   analyse a sound file without a window and write its curves\n"
           "                   as comma-separated numbers; --analyse --help for its options\n"
           "  --write-test-signal OUT.wav --periods K [OPTION]...\n"
           "                   write the SLTAS test signal as it is played to a sound file;\n"
           "                   --write-test-signal --help for its options\n"
           "  -h, --help       show this help and exit\n"
           "  --list-devices   list the sound input and output devices with their IDs and exit\n"
           "  -v, --version    show the program name and version and exit\n";
}

std::string version_line() {
    return std::string(product_name) + " " + version_text;
}

namespace {

std::string device_lines(const char* title, const std::vector<std::string>& names) {
    std::string text = std::string(title) + "\n    -1  the system's default device\n";
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i);
        text += std::string(6 - std::min<size_t>(id.size(), 5), ' ') + id + "  " + names[i] + "\n";
    }
    return text;
}

} // namespace

std::string device_list_text(const std::vector<std::string>& inputs,
                             const std::vector<std::string>& outputs) {
    return device_lines("Input devices (ID  name):", inputs) +
           device_lines("Output devices (ID  name):", outputs);
}

} // namespace zevrin
