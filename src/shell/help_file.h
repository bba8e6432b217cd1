#pragma once
// Where the program's help is found. The one place that knows, so that a new
// user guide needs a change here only.

#include <string>

namespace zevrin {

/// The first that exists of: beside the program, the program's folder/../help,
/// the installed documentation folder and the build tree's documentation folder,
/// each holding the program file's name with ".html" ("zevrin.html"); empty when
/// there is none.
std::string find_help_file();

} // namespace zevrin
