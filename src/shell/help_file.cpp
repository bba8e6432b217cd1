#include "shell/help_file.h"

#include "platform/system.h"
#include "zevrin_shell_config.h"

#include <filesystem>

namespace zevrin {

std::string find_help_file() {
    const std::string name = program_file_name() + ".html";
    const std::string program = program_folder();
    const std::filesystem::path below_prefix(prefix_doc_folder);
    for (const std::string& folder :
         {program, program + "/../help",
          below_prefix.is_relative() ? program + "/../" + below_prefix.string() : std::string(),
          std::string(installed_doc_folder), std::string(build_doc_folder)}) {
        if (folder.empty()) {
            continue;
        }
        std::error_code ec;
        const std::filesystem::path file = std::filesystem::path(folder) / name;
        if (std::filesystem::is_regular_file(file, ec)) {
            return std::filesystem::weakly_canonical(file, ec).string();
        }
    }
    return {};
}

std::string guide_help_line() {
    const std::string guide = find_help_file();
    return guide.empty() ? "\nThe user guide (F1 in the window) is not installed.\n"
                         : "\nThe user guide (F1 in the window): " + guide + "\n";
}

} // namespace zevrin
