#pragma once
// TSetting: a long-lived settings store placed by a location setting, under a path
// built from the company, product name and version of a TProgId:
//
//   sluser, slmachine       registry key \Software\Company\Product\Version\<section>
//                           of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
//   slroaming, slnonroaming ini file in the user's roaming or local application-data
//                           folder: <folder>/Company/Product/Version/<name>.ini
//   slcommonadmin           the same in the all-users folder
//   slcommoninsecure        the same with a subfolder "insecure"
//   slfile                  the ini file named by Filename
//
// Where the application-data folder of a location cannot be had, roaming and
// non-roaming act as sluser and the all-users folder as slmachine.
//
// In the registry integers are 32-bit integer values; everywhere a Boolean is read
// true only when the integer is exactly 1. Reads never raise for a missing value;
// writes raise when the store cannot be written.

#include "platform/ini_file.h"
#include "platform/registry.h"
#include "shell/prog_id.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zevrin {

enum class tsettinglocation {
    sluser,
    slmachine,
    slroaming,
    slnonroaming,
    slcommonadmin,
    slcommoninsecure,
    slfile
};

class ESettingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSetting : public QObject {
public:
    explicit TSetting(QObject* owner = nullptr);
    ~TSetting() override;

    /// To be called once the properties are set: ESettingError "Nothing assigned to
    /// <name>.ProgId" without a ProgId.
    void Loaded();

    /// The location in effect (see the fall-backs above).
    tsettinglocation Location();
    void set_Location(tsettinglocation location);
    TProgId* ProgId() const { return fprogid; }
    void set_ProgId(TProgId* progid);
    const std::string& Filename() const { return fFilename; }
    void set_Filename(const std::string& filename);
    /// The store in use: "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or the ini file.
    std::string IniFilename();
    /// Only the file-name part counts, with its extension changed to ".ini"; empty
    /// means the program file's name.
    void set_IniFilename(const std::string& name);
    bool ManualIniClose() const { return fmanualiniclose; }
    /// While set, ini file changes wait for IniClose(); clearing it saves them.
    void set_ManualIniClose(bool manual);

    /// ESettingError "Nothing assigned to ProgId" without a ProgId.
    std::string Company();
    std::string ProductName();
    std::string Version();

    bool ReadBool(const std::string& section, const std::string& key, bool default_value);
    int ReadInteger(const std::string& section, const std::string& key, int default_value);
    /// The default also for a value stored as an empty text.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& default_value);
    /// The default also for a text that is no number.
    double ReadFloat(const std::string& section, const std::string& key, double default_value);
    QFont& ReadFont(const std::string& section, const std::string& key, QFont& font, QColor& color);

    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    /// The shortest text that reads back as exactly the same number.
    void WriteFloat(const std::string& section, const std::string& key, double value);
    void WriteFont(const std::string& section, const std::string& key, const QFont& font,
                   const QColor& color);

    std::vector<std::string> ReadSection(const std::string& section);
    /// The sections: subkeys of the product's key, or the ini file's sections.
    std::vector<std::string> ReadSections();
    void DeleteKey(const std::string& section, const std::string& key);
    /// In an ini file failures are ignored.
    void DeleteSection(const std::string& section);
    /// Saves waiting ini file changes; EIniFileError when that fails.
    void IniClose();
    /// Whether the store can be written, tried with a test value that is removed again.
    bool OkToWrite();

private:
    void find_folder();
    void fix_paths();
    bool in_registry();
    Registry& registry();
    std::string product_key();
    std::string section_key(const std::string& section);
    IniFile& ini_file();
    void make_ini_folder();
    void after_file_operation();

    tsettinglocation fLocation = tsettinglocation::sluser;
    std::string fCompany;
    std::string fProductName;
    std::string fVersion;
    std::string fFilename;
    std::string fIniFilename;  ///< the computed store name
    std::string fgivenininame; ///< the name given to set_IniFilename
    std::string fautofilename;
    std::string fautodir;
    QPointer<TProgId> fprogid;
    bool fmanualiniclose = false;
    bool inifilenamedirty = true;
    std::string windir;
    bool dirfound = false;
    bool fixingpaths = false;
    Registry user_registry;
    Registry machine_registry;
    std::unique_ptr<IniFile> ini;
};

} // namespace zevrin
