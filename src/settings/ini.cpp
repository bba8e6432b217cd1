#include "settings/ini.h"

#include "dsp/text.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "settings/font_keys.h"

namespace zevrin {

std::string program_registry_key(const std::string& program_file_name) {
    const size_t dot = program_file_name.find('.');
    const std::string name =
        dot == std::string::npos || dot == 0 ? program_file_name : program_file_name.substr(0, dot);
    return "SoftWare\\MarvenData\\" + name;
}

IniBase::~IniBase() = default;

void IniBase::save_on_destruction() noexcept {
    try {
        UpdateFile();
    } catch (const std::exception& e) {
        message_box(e.what(), "Settings", mb::ok | mb::iconerror);
    }
}

bool IniBase::ReadBool(const std::string& section, const std::string& key, bool default_value) {
    return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void IniBase::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

int IniBase::ReadInteger(const std::string& section, const std::string& key, int default_value) {
    const auto text = store().read(section, key);
    return text ? str_to_int_def(*text, default_value) : default_value;
}

void IniBase::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

std::string IniBase::ReadString(const std::string& section, const std::string& key,
                                const std::string& default_value) {
    auto text = store().read(section, key);
    return text ? std::move(*text) : default_value;
}

void IniBase::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    store().write(section, key, value);
}

double IniBase::ReadFloat(const std::string& section, const std::string& key,
                          double default_value) {
    return str_to_float_dot(ReadString(section, key, float_to_str_dot(default_value)));
}

void IniBase::WriteFloat(const std::string& section, const std::string& key, double value) {
    WriteString(section, key, float_to_str_dot(value));
}

void IniBase::WriteFont(const std::string& section, const std::string& key, const QFont& font,
                        const QColor& color) {
    write_font_keys(*this, section, key, font, color);
}

std::vector<std::string> IniBase::ReadSection(const std::string& section) {
    return store().keys(section);
}

std::vector<std::string> IniBase::ReadSections() {
    return store().sections();
}

std::vector<std::string> IniBase::ReadSectionValues(const std::string& section) {
    std::vector<std::string> lines;
    for (const auto& [key, value] : store().values(section)) {
        lines.push_back(key + "=" + value);
    }
    return lines;
}

void IniBase::EraseSection(const std::string& section) {
    store().erase_section(section);
}

void IniBase::DeleteKey(const std::string& section, const std::string& key) {
    store().delete_key(section, key);
}

void IniBase::UpdateFile() {
    store().update_file();
}

TIni::TIni(const std::string& fname) : ffilename(fname) {
    if (fname.empty()) {
        setting = std::make_unique<RegistryIni>(RegistryHive::current_user,
                                                program_registry_key(program_file_name()));
    } else {
        inifile = std::make_unique<IniFile>(fname);
    }
}

TIni::~TIni() {
    save_on_destruction();
}

IniStore& TIni::store() {
    return inifile ? static_cast<IniStore&>(*inifile) : *setting;
}

QFont& TIni::ReadFont(const std::string& section, const std::string& key, QFont& font,
                      QColor& color) {
    return read_font_keys(*this, section, key, font, color, FontColorRead::always_after_style);
}

TTamberIni::TTamberIni()
    : setting(std::make_unique<RegistryIni>(RegistryHive::current_user,
                                            "SoftWare\\MarvenData\\Tamber")) {}

TTamberIni::~TTamberIni() {
    save_on_destruction();
}

IniStore& TTamberIni::store() {
    return *setting;
}

QFont& TTamberIni::ReadFont(const std::string& section, const std::string& key, QFont& font,
                            QColor& color) {
    return read_font_keys(*this, section, key, font, color, FontColorRead::when_not_zero_first);
}

} // namespace zevrin
