#pragma once
// The version file on the maker's server: plain text whose lines are separated by
// any run of CR and LF characters:
//
//   1. the newest version;
//   2. the address of the download page;
//   3. a line this program ignores;
//   4. everything after it is the message shown to the user.

#include <string>
#include <string_view>

namespace zevrin {

struct TVersionFile {
    std::string newversion;
    std::string downloadurl;
    std::string usermessage;
};

TVersionFile parse_version_file(std::string_view text);

/// True when the first line, trimmed, can be a version: at most 40 characters of
/// letters, digits, blanks and ". _ - + ( )". A page that is no version file (the
/// login page of a public network, an error page) is not mistaken for news.
bool plausible_version(std::string_view version);

/// The largest version file read; a longer answer is no version file.
inline constexpr size_t max_version_file_size = 64 * 1024;

} // namespace zevrin
