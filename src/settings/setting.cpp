#include "settings/setting.h"

#include "dsp/text.h"
#include "platform/folders.h"
#include "platform/system.h"
#include "settings/font_keys.h"

#include <charconv>

namespace zevrin {

namespace {

// The shortest text that reads back as the same double, independent of any locale.
std::string exact_float_text(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string with_ini_extension(std::string name) {
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name.empty() ? name : name + ".ini";
}

class Reentry {
public:
    explicit Reentry(bool& flag) : flag_(flag) { flag_ = true; }
    ~Reentry() { flag_ = false; }
    Reentry(const Reentry&) = delete;
    Reentry& operator=(const Reentry&) = delete;

private:
    bool& flag_;
};

} // namespace

TSetting::TSetting(QObject* owner)
    : QObject(owner), windir(windows_folder()), user_registry(RegistryHive::current_user),
      machine_registry(RegistryHive::local_machine) {}

TSetting::~TSetting() = default;

void TSetting::Loaded() {
    if (!fprogid) {
        throw ESettingError("Nothing assigned to " + objectName().toStdString() + ".ProgId");
    }
}

tsettinglocation TSetting::Location() {
    if (!dirfound) {
        switch (fLocation) {
        case tsettinglocation::slroaming:
        case tsettinglocation::slnonroaming:
            return tsettinglocation::sluser;
        case tsettinglocation::slcommonadmin:
            return tsettinglocation::slmachine;
        default:
            break;
        }
    }
    return fLocation;
}

void TSetting::set_Location(tsettinglocation location) {
    fLocation = location;
    inifilenamedirty = true;
    fix_paths();
}

void TSetting::set_ProgId(TProgId* progid) {
    fprogid = progid;
    inifilenamedirty = true;
    fix_paths();
}

void TSetting::set_Filename(const std::string& filename) {
    fFilename = filename;
    inifilenamedirty = true;
}

void TSetting::set_IniFilename(const std::string& name) {
    fgivenininame = name;
    inifilenamedirty = true;
    fix_paths();
}

void TSetting::set_ManualIniClose(bool manual) {
    fmanualiniclose = manual;
    if (!manual) {
        IniClose();
    }
}

void TSetting::IniClose() {
    if (ini) {
        ini->update_file();
    }
}

std::string TSetting::Company() {
    if (!fprogid) {
        throw ESettingError("Nothing assigned to ProgId");
    }
    if (fprogid->Company() != fCompany) {
        fCompany = fprogid->Company();
        inifilenamedirty = true;
        fix_paths();
    }
    return fCompany;
}

std::string TSetting::ProductName() {
    if (!fprogid) {
        throw ESettingError("Nothing assigned to ProgId");
    }
    if (fprogid->ProductName() != fProductName) {
        fProductName = fprogid->ProductName();
        inifilenamedirty = true;
        fix_paths();
    }
    return fProductName;
}

std::string TSetting::Version() {
    if (!fprogid) {
        throw ESettingError("Nothing assigned to ProgId");
    }
    if (fprogid->Version() != fVersion) {
        fVersion = fprogid->Version();
        inifilenamedirty = true;
        fix_paths();
    }
    return fVersion;
}

void TSetting::find_folder() {
    fautodir.clear();
    switch (fLocation) {
    case tsettinglocation::slroaming:
        fautodir = app_data_folder(AppDataFolder::roaming);
        break;
    case tsettinglocation::slnonroaming:
        fautodir = app_data_folder(AppDataFolder::local);
        break;
    case tsettinglocation::slcommonadmin:
    case tsettinglocation::slcommoninsecure:
        fautodir = app_data_folder(AppDataFolder::common);
        break;
    default:
        break;
    }
    dirfound = folder_available(fautodir);
}

void TSetting::fix_paths() {
    if (fixingpaths) {
        return;
    }
    Reentry guard(fixingpaths);
    find_folder();
    if (dirfound && fprogid) {
        fautofilename = fautodir + "/" + Company() + "/" + ProductName() + "/" + Version() + "/";
    } else {
        // Without a home folder there is no such folder either: no place at all.
        fautofilename = windir.empty() ? std::string() : windir + "/";
    }
}

std::string TSetting::IniFilename() {
    if (fprogid) {
        // A changed identity marks the name dirty.
        Company();
        ProductName();
        Version();
    }
    if (!inifilenamedirty) {
        return fIniFilename;
    }
    fix_paths();
    switch (Location()) {
    case tsettinglocation::sluser:
        fIniFilename = "HKEY_CURRENT_USER";
        break;
    case tsettinglocation::slmachine:
        fIniFilename = "HKEY_LOCAL_MACHINE";
        break;
    case tsettinglocation::slfile:
        fIniFilename = fFilename;
        break;
    default: {
        if (dirfound && !fprogid) {
            Company(); // the folder's path needs the identity: raises
        }
        std::string name = with_ini_extension(fgivenininame);
        if (name.empty()) {
            name = with_ini_extension(program_file_name());
        }
        if (fLocation == tsettinglocation::slcommoninsecure && dirfound) {
            name = "insecure/" + name;
        }
        fIniFilename = fautofilename + name;
        break;
    }
    }
    inifilenamedirty = false;
    return fIniFilename;
}

bool TSetting::in_registry() {
    const tsettinglocation l = Location();
    return l == tsettinglocation::sluser || l == tsettinglocation::slmachine;
}

Registry& TSetting::registry() {
    return Location() == tsettinglocation::slmachine ? machine_registry : user_registry;
}

std::string TSetting::product_key() {
    return "\\Software\\" + Company() + "\\" + ProductName() + "\\" + Version();
}

std::string TSetting::section_key(const std::string& section) {
    return product_key() + "\\" + section;
}

IniFile& TSetting::ini_file() {
    const std::string name = Location() == tsettinglocation::slfile ? fFilename : IniFilename();
    if (!ini || ini->file_name() != name) {
        ini = std::make_unique<IniFile>(name);
    }
    return *ini;
}

void TSetting::make_ini_folder() {
    make_folders(folder_of(ini_file().path())); // a failure shows when the file is saved
}

void TSetting::after_file_operation() {
    if (!fmanualiniclose) {
        ini->update_file();
    }
}

bool TSetting::ReadBool(const std::string& section, const std::string& key, bool default_value) {
    return ReadInteger(section, key, default_value ? 1 : 0) == 1;
}

int TSetting::ReadInteger(const std::string& section, const std::string& key, int default_value) {
    if (in_registry()) {
        const auto v = registry().value(section_key(section), key);
        return v && v->kind == RegistryValue::Kind::dword ? static_cast<int32_t>(v->dword)
                                                          : default_value;
    }
    const auto text = ini_file().read(section, key);
    return text ? str_to_int_def(*text, default_value) : default_value;
}

std::string TSetting::ReadString(const std::string& section, const std::string& key,
                                 const std::string& default_value) {
    std::string text;
    if (in_registry()) {
        const auto v = registry().value(section_key(section), key);
        if (v && v->kind == RegistryValue::Kind::string) {
            text = v->text;
        }
    } else {
        text = ini_file().read_string(section, key, default_value);
    }
    return text.empty() ? default_value : text;
}

double TSetting::ReadFloat(const std::string& section, const std::string& key,
                           double default_value) {
    try {
        return str_to_float_dot(ReadString(section, key, exact_float_text(default_value)));
    } catch (const EConvertError&) {
        return default_value;
    }
}

QFont& TSetting::ReadFont(const std::string& section, const std::string& key, QFont& font,
                          QColor& color) {
    return read_font_keys(*this, section, key, font, color, FontColorRead::always_after_style);
}

void TSetting::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

void TSetting::WriteInteger(const std::string& section, const std::string& key, int value) {
    if (in_registry()) {
        registry().write_dword(section_key(section), key, static_cast<uint32_t>(value));
        return;
    }
    make_ini_folder();
    ini_file().write(section, key, std::to_string(value));
    after_file_operation();
}

void TSetting::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (in_registry()) {
        registry().write_string(section_key(section), key, value);
        return;
    }
    make_ini_folder();
    ini_file().write(section, key, value);
    after_file_operation();
}

void TSetting::WriteFloat(const std::string& section, const std::string& key, double value) {
    WriteString(section, key, exact_float_text(value));
}

void TSetting::WriteFont(const std::string& section, const std::string& key, const QFont& font,
                         const QColor& color) {
    write_font_keys(*this, section, key, font, color);
}

std::vector<std::string> TSetting::ReadSection(const std::string& section) {
    if (in_registry()) {
        return registry().value_names(section_key(section));
    }
    return ini_file().keys(section);
}

std::vector<std::string> TSetting::ReadSections() {
    if (in_registry()) {
        return registry().subkey_names(product_key());
    }
    return ini_file().sections();
}

void TSetting::DeleteKey(const std::string& section, const std::string& key) {
    if (in_registry()) {
        registry().delete_value(section_key(section), key);
        return;
    }
    ini_file().delete_key(section, key);
    after_file_operation();
}

void TSetting::DeleteSection(const std::string& section) {
    if (in_registry()) {
        registry().delete_key(section_key(section));
        return;
    }
    try {
        ini_file().erase_section(section);
        after_file_operation();
    } catch (const EIniFileError&) {
        // As written: erasing a section of a file never fails to the caller.
    }
}

bool TSetting::OkToWrite() {
    try {
        if (in_registry()) {
            const std::string key = product_key();
            registry().create_key(key);
            registry().write_string(key, "~testkey", "test");
            registry().delete_value(key, "~testkey");
            return true;
        }
        IniFile& file = ini_file();
        const std::string folder = folder_of(file.path());
        if (make_folders(folder) != 0 || probe_writable(folder) != 0) {
            return false;
        }
        file.write("~testsection", "~testkey", "test");
        file.erase_section("~testsection");
        after_file_operation();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace zevrin
