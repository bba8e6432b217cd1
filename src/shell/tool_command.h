#pragma once
// The text rules of the tools menu, without Qt: accelerator characters of menu
// texts, placeholders in a tool's parameters, and the argument list a tool is
// started with.
//
// A tool is never started through a shell. Its stored parameters are split into
// arguments first (blanks separate them, double quotes group blanks into one and
// "" inside quotes is a quote), and only then are the placeholders inside each
// argument replaced, so that no value, file name or parameter can add an argument
// or a command of its own.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

/// The accelerator character of a menu text, lower-cased: the character (a whole
/// UTF-8 sequence) after its first "&" when that "&" is not the last character;
/// empty when there is none.
std::string accelerator_of(std::string_view menutext);

/// True for a digit or a letter A to Z (either case) that does not occur in
/// `used`, compared in upper case.
bool is_free_hotkey(char c, std::string_view used);

/// `text` without any "&", with "&" put before its first character that
/// is_free_hotkey() accepts; without accelerator when there is none.
std::string add_accelerator(std::string_view text, std::string_view used);

/// Walks the menu texts in key order: `used` collects each accelerator character;
/// the result lists those that were already in `used` (empty: no conflict).
std::string hotkey_conflict(const std::vector<std::string>& menutexts, std::string& used);

/// Replaces each placeholder of `text` by `value_of(placeholder)`. A placeholder
/// runs from a "%" to the next blank or the end, so "%d" glued to more text forms
/// one longer placeholder. Values are inserted as they are: a "%" in a value (or
/// the one that "%%" gives) never starts another placeholder.
std::string expand_params(std::string_view text,
                          const std::function<std::string(const std::string&)>& value_of);

/// The arguments of a stored parameter text (see the top of this file).
std::vector<std::string> split_arguments(std::string_view text);

/// The command as one line, for messages and the length limit: the program in
/// double quotes, then the arguments, those with blanks or quotes in double quotes.
std::string command_text(const std::string& program, const std::vector<std::string>& args);

/// A command of this many characters or more is not started (code 2).
inline constexpr size_t max_command_length = 255;

} // namespace zevrin
