#include "settings/ini_values.h"

#include "dsp/text.h"

namespace zevrin {

bool ini_read_bool(IniStore& store, const std::string& section, const std::string& key,
                   bool default_value) {
    return ini_read_integer(store, section, key, default_value ? 1 : 0) != 0;
}

void ini_write_bool(IniStore& store, const std::string& section, const std::string& key,
                    bool value) {
    store.write(section, key, value ? "1" : "0");
}

int ini_read_integer(IniStore& store, const std::string& section, const std::string& key,
                     int default_value) {
    const auto text = store.read(section, key);
    return text ? str_to_int_def(*text, default_value) : default_value;
}

void ini_write_integer(IniStore& store, const std::string& section, const std::string& key,
                       int value) {
    store.write(section, key, std::to_string(value));
}

std::string ini_read_string(IniStore& store, const std::string& section, const std::string& key,
                            const std::string& default_value) {
    auto text = store.read(section, key);
    return text ? std::move(*text) : default_value;
}

void ini_write_string(IniStore& store, const std::string& section, const std::string& key,
                      const std::string& value) {
    store.write(section, key, value);
}

double ini_read_float(IniStore& store, const std::string& section, const std::string& key,
                      double default_value) {
    return str_to_float_dot(ini_read_string(store, section, key, float_to_str_dot(default_value)));
}

void ini_write_float(IniStore& store, const std::string& section, const std::string& key,
                     double value) {
    store.write(section, key, float_to_str_dot(value));
}

} // namespace zevrin
