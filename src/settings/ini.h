#pragma once
// The short-lived settings stores: TIni on an ini file (the ".zvr" settings files)
// or on the program's registry key, and TTamberIni on the key shared by the maker's
// component family.
//
// Every value is kept as text: integers in decimal, Booleans as "1" or "0", floats
// with "." whatever the user's decimal separator. Absent values read as the default.
//
// A store is created for one load or save. Its writes collect in memory and are
// saved as one transaction by UpdateFile(), which a save calls as its last step so
// that a store that cannot be written reaches the caller as an exception with a
// readable message. The destructor saves whatever is still waiting and, since it
// cannot raise, shows such a failure in a message box.

#include "platform/ini_file.h"
#include "platform/registry_ini.h"

#include <QColor>
#include <QFont>

#include <memory>
#include <string>
#include <vector>

namespace zevrin {

/// The registry key of TIni without a file name: "SoftWare\MarvenData\" followed by
/// the program file's name up to its first "." (the whole name when it has none,
/// as program files here usually have).
std::string program_registry_key(const std::string& program_file_name);

/// What TIni and TTamberIni share: typed values over a section store.
class IniBase {
public:
    virtual ~IniBase();
    IniBase(const IniBase&) = delete;
    IniBase& operator=(const IniBase&) = delete;

    /// True when the integer read is not 0 (so a stored "2" is true).
    bool ReadBool(const std::string& section, const std::string& key, bool default_value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    /// The default also for a text that is no integer.
    int ReadInteger(const std::string& section, const std::string& key, int default_value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& default_value);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    /// EConvertError for a stored text that is no number ("Cannot convert empty
    /// string to number" for an empty one); the default when absent.
    double ReadFloat(const std::string& section, const std::string& key, double default_value);
    void WriteFloat(const std::string& section, const std::string& key, double value);
    void WriteFont(const std::string& section, const std::string& key, const QFont& font,
                   const QColor& color);

    std::vector<std::string> ReadSection(const std::string& section);
    std::vector<std::string> ReadSections();
    /// "key=value" lines.
    std::vector<std::string> ReadSectionValues(const std::string& section);
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

    /// Saves the collected writes; EIniFileError or ERegistryError when it cannot.
    void UpdateFile();
    /// Forgets the collected writes (after a failed UpdateFile that the caller
    /// reports itself, so that the destructor does not report it again).
    void DiscardChanges();

    /// The section store underneath, for code that reads and writes without Qt.
    virtual IniStore& store() = 0;

protected:
    IniBase() = default;
    /// For the destructors of the subclasses, while their store still exists.
    void save_on_destruction() noexcept;
};

class TIni : public IniBase {
public:
    /// A non-empty name opens that ini file (a name without folder lands in the
    /// program's data folder); an empty one opens the program's registry key
    /// HKEY_CURRENT_USER\ + program_registry_key(...).
    explicit TIni(const std::string& fname);
    ~TIni() override;

    const std::string& FileName() const { return ffilename; }
    /// The font's colour is set from the stored integer, black when absent.
    QFont& ReadFont(const std::string& section, const std::string& key, QFont& font, QColor& color);

    IniStore& store() override;

private:
    std::string ffilename;
    std::unique_ptr<IniFile> inifile;
    std::unique_ptr<RegistryIni> setting;
};

/// The key of TTamberIni in HKEY_CURRENT_USER.
inline constexpr const char* tamber_key = "SoftWare\\MarvenData\\Tamber";

class TTamberIni : public IniBase {
public:
    /// Opens HKEY_CURRENT_USER\SoftWare\MarvenData\Tamber.
    TTamberIni();
    ~TTamberIni() override;

    /// The colour is replaced only by a stored colour other than 0.
    QFont& ReadFont(const std::string& section, const std::string& key, QFont& font, QColor& color);

    IniStore& store() override;

private:
    std::unique_ptr<RegistryIni> setting;
};

} // namespace zevrin
