#pragma once
// Facts about the system and the program's folders.
//
// Folders follow the XDG base directories. The environment variable ZEVRIN_HOME,
// when set, moves every per-user and per-machine folder of the program below it
// (tests use it so that they never touch the real user's files).

#include <string>

namespace zevrin {

/// The logged-in user's name; std::runtime_error with the system's text when the
/// user database fails with an error, empty when the user has no entry.
std::string user_name();
/// The computer's host name, at most 255 characters; empty on failure.
std::string computer_name();
/// Folder of the running program file, without a trailing "/".
std::string program_folder();
/// File name of the running program, without its folder.
std::string program_file_name();
/// The per-user data folder of the program: the place of files whose name has no
/// folder, as the system folder is for the Windows program ($XDG_DATA_HOME/zevrin,
/// or $ZEVRIN_HOME/data). Without a trailing "/"; empty when no home folder is known.
std::string windows_folder();
/// $ZEVRIN_HOME, or empty when it is not set.
std::string zevrin_home();
/// The user's home folder ($HOME, else the user database); empty when neither knows one.
std::string home_folder();
/// Why a per-user file has no place: "no home folder is known (HOME is not set and
/// the user has none)".
extern const char* const no_home_folder_text;

} // namespace zevrin
