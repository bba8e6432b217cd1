#pragma once
// Where the program's help is found. The one place that knows, so that a new
// user guide needs a change here only.

#include <string>

namespace zevrin {

/// The first that exists of: beside the program, the program's folder/../help,
/// the documentation folder below the program's own prefix (a package installs
/// below another prefix than the build was configured for), the configured
/// installed documentation folder and the build tree's documentation folder,
/// each holding the program file's name with ".html" ("zevrin.html"); empty when
/// there is none.
std::string find_help_file();

/// The last line of "zevrin --help": where the user guide that F1 opens is.
std::string guide_help_line();

} // namespace zevrin
