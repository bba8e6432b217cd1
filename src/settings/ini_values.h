#pragma once
// Typed values over a section store, encoded as the settings files and the
// program's registry key keep them: every value is text, integers in decimal,
// Booleans as "1" or "0", floats with "." whatever the user's decimal separator.
// Free of Qt, so that a program without a window reads the same settings.

#include "platform/ini_store.h"

#include <string>

namespace zevrin {

/// True when the integer read is not 0 (so a stored "2" is true).
bool ini_read_bool(IniStore& store, const std::string& section, const std::string& key,
                   bool default_value);
void ini_write_bool(IniStore& store, const std::string& section, const std::string& key,
                    bool value);
/// The default when absent and for a text that is no integer.
int ini_read_integer(IniStore& store, const std::string& section, const std::string& key,
                     int default_value);
void ini_write_integer(IniStore& store, const std::string& section, const std::string& key,
                       int value);
std::string ini_read_string(IniStore& store, const std::string& section, const std::string& key,
                            const std::string& default_value);
void ini_write_string(IniStore& store, const std::string& section, const std::string& key,
                      const std::string& value);
/// The default when absent; EConvertError for a stored text that is no number
/// ("Cannot convert empty string to number" for an empty one).
double ini_read_float(IniStore& store, const std::string& section, const std::string& key,
                      double default_value);
void ini_write_float(IniStore& store, const std::string& section, const std::string& key,
                     double value);

} // namespace zevrin
