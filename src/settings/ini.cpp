#include "settings/ini.h"

#include "platform/message_box.h"
#include "platform/system.h"
#include "settings/font_keys.h"
#include "settings/ini_values.h"

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
    return ini_read_bool(store(), section, key, default_value);
}

void IniBase::WriteBool(const std::string& section, const std::string& key, bool value) {
    ini_write_bool(store(), section, key, value);
}

int IniBase::ReadInteger(const std::string& section, const std::string& key, int default_value) {
    return ini_read_integer(store(), section, key, default_value);
}

void IniBase::WriteInteger(const std::string& section, const std::string& key, int value) {
    ini_write_integer(store(), section, key, value);
}

std::string IniBase::ReadString(const std::string& section, const std::string& key,
                                const std::string& default_value) {
    return ini_read_string(store(), section, key, default_value);
}

void IniBase::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    ini_write_string(store(), section, key, value);
}

double IniBase::ReadFloat(const std::string& section, const std::string& key,
                          double default_value) {
    return ini_read_float(store(), section, key, default_value);
}

void IniBase::WriteFloat(const std::string& section, const std::string& key, double value) {
    ini_write_float(store(), section, key, value);
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

void IniBase::DiscardChanges() {
    store().discard_changes();
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
    : setting(std::make_unique<RegistryIni>(RegistryHive::current_user, tamber_key)) {}

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
