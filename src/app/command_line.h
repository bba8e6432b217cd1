#pragma once
// The program's command line: what to do and with which arguments.

#include <string>
#include <vector>

namespace zevrin {

struct CommandLine {
    enum class Action { window, version, help, list_devices, analyse, write_test_signal, bad };
    Action action = Action::window;
    bool show_about = false;          ///< "/?": the about box once the window is up
    std::string error;                ///< why the command line is bad
    std::vector<std::string> extra;   ///< arguments the window keeps for later use
    std::vector<std::string> analyse; ///< the arguments after --analyse
    /// The settings files (".zvr") among `extra`, made absolute, in their order: the
    /// window opens them once it is up, as "&Open file..." opens one.
    std::vector<std::string> settings_files;
    /// The arguments after --write-test-signal.
    std::vector<std::string> test_signal;
};

CommandLine parse_command_line(const std::vector<std::string>& args);
/// The option list that --help prints.
std::string help_text();
/// "Zevrin 3.0.2.0".
std::string version_line();
/// What --list-devices prints: each list with its IDs as the settings dialog uses them
/// (the index in the list; -1 for the default device).
std::string device_list_text(const std::vector<std::string>& inputs,
                             const std::vector<std::string>& outputs);

} // namespace zevrin
