#pragma once
// Named text values in sections, in an ini file (platform/ini_file.h) or in a
// registry key (platform/registry_ini.h), as the settings classes see them.
//
// Changes collect until update_file() saves them as one transaction; reads see
// them at once.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zevrin {

class IniStore {
public:
    virtual ~IniStore() = default;

    /// The value's text, or nothing when the value is absent.
    virtual std::optional<std::string> read(std::string_view section, std::string_view key) = 0;
    virtual std::vector<std::string> sections() = 0;
    virtual std::vector<std::string> keys(std::string_view section) = 0;
    virtual std::vector<std::pair<std::string, std::string>> values(std::string_view section) = 0;

    virtual void write(std::string_view section, std::string_view key, std::string_view value) = 0;
    virtual void erase_section(std::string_view section) = 0;
    virtual void delete_key(std::string_view section, std::string_view key) = 0;

    /// Saves the waiting changes; the store's error with a readable message when
    /// it cannot (the changes keep waiting).
    virtual void update_file() = 0;
    virtual bool has_changes() const = 0;
    /// Forgets the waiting changes: after a failed save whose failure the caller has
    /// reported, so that nothing tries (and reports) it again.
    virtual void discard_changes() = 0;
};

} // namespace zevrin
