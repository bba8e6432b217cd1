#include "shell/help_file.h"

#include "platform/system.h"
#include "zevrin_shell_config.h"

#include <filesystem>

namespace zevrin {

std::string find_help_file() {
    const std::string name = program_file_name() + ".html";
    const std::string program = program_folder();
    for (const std::string& folder :
         {program, program + "/../help", std::string(installed_doc_folder),
          std::string(build_doc_folder)}) {
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

} // namespace zevrin
