#include "app/command_line.h"

#include "zevrin_version.h"

#include <algorithm>

namespace zevrin {

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
        }
    }
    return cl;
}

std::string help_text() {
    return std::string("Usage: zevrin [OPTION]...\n") +
           "Real-time audio spectrum analyser.\n"
           "\n"
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
