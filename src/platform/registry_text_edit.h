#pragma once
// A change of a hive written into the text it came from, as a person editing the file
// by hand would make it: comments, blank lines, the order and spelling of keys and
// values, the encoding and the line ends stay; only the lines of what changed change.

#include "platform/registry_tree.h"

#include <string>
#include <string_view>

namespace zevrin {

/// The hive file `original` (its bytes, which read as `before`) rewritten so that it
/// reads as `after`: a
/// changed value's line is replaced in place, a removed value's or key's lines go, a
/// new value follows the last line of its key, and a new key goes at the end. Falls
/// back to format_registry_text(after) for a file with damaged lines (which a save
/// leaves out anyway) and whenever the edited text would not read back as `after`.
std::string edit_registry_text(std::string_view original, const RegistryParse& before,
                               const RegistryTree& after, std::string_view hive_name);

} // namespace zevrin
