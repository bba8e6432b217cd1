#pragma once
// Who the program is: product name, version, company and copyright. The settings
// store and the recent-files list build their places from it; the help menu takes
// the running version from it.
//
// Header-only and without a moc step, so that the settings library can use it
// without linking the shell library (whose error log uses the settings).

#include "zevrin_version.h"

#include <QObject>

#include <string>
#include <string_view>

namespace zevrin {

/// The maker's copyright line as a new component carries it.
inline constexpr const char* maker_copyright_template = "Copyright \u00A9 MarvenData";

/// The major and minor part of the program's version ("3.0" of "3.0.2.0").
inline std::string auto_version() {
    const std::string_view full = version_text;
    const size_t first = full.find('.');
    const size_t second = first == std::string_view::npos ? first : full.find('.', first + 1);
    return std::string(full.substr(0, second));
}

class TProgId : public QObject {
public:
    explicit TProgId(QObject* owner = nullptr) : QObject(owner) {}

    const std::string& ProductName() const { return fProductName; }
    void set_ProductName(std::string v) { fProductName = std::move(v); }
    /// The stored text, or auto_version() while AutoVersion is on.
    std::string Version() const { return fautoversion ? auto_version() : fVersion; }
    void set_Version(std::string v) { fVersion = std::move(v); }
    bool AutoVersion() const { return fautoversion; }
    void set_AutoVersion(bool v) { fautoversion = v; }
    const std::string& Company() const { return fCompany; }
    void set_Company(std::string v) { fCompany = std::move(v); }
    const std::string& Copyright() const { return fCopyright; }
    void set_Copyright(std::string v) { fCopyright = std::move(v); }

private:
    std::string fProductName = "AppName";
    std::string fVersion = "1.0";
    bool fautoversion = true;
    std::string fCompany = "MarvenData";
    std::string fCopyright = maker_copyright_template;
};

} // namespace zevrin
