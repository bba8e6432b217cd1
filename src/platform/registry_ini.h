#pragma once
// A registry key seen as an ini file: its subkeys are the sections, their values
// the keys. Values are written as strings; a 32-bit integer value reads as its
// decimal text.

#include "platform/ini_store.h"
#include "platform/registry.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zevrin {

class RegistryIni : public IniStore {
public:
    /// Opens the key. It is created with the first write, not here: reading settings
    /// leaves the hive as it is (and creates no file when there is none).
    RegistryIni(RegistryHive hive, std::string key_path);
    /// Saves what is still waiting, ignoring a failure (see update_file()).
    ~RegistryIni() override;
    RegistryIni(const RegistryIni&) = delete;
    RegistryIni& operator=(const RegistryIni&) = delete;

    const std::string& key_path() const { return path_; }
    Registry& registry() { return registry_; }

    std::optional<std::string> read(std::string_view section, std::string_view key) override;
    std::vector<std::string> sections() override;
    std::vector<std::string> keys(std::string_view section) override;
    std::vector<std::pair<std::string, std::string>> values(std::string_view section) override;

    /// ERegistryError at once for a name the registry cannot hold.
    void write(std::string_view section, std::string_view key, std::string_view value) override;
    void erase_section(std::string_view section) override;
    void delete_key(std::string_view section, std::string_view key) override;

    /// Saves the waiting changes as one transaction; ERegistryError on failure.
    void update_file() override;
    bool has_changes() const override { return !pending_.empty(); }
    void discard_changes() override;

private:
    std::string section_path(std::string_view section) const;
    const RegistryKey* section_key(std::string_view section);
    void change(std::function<void(RegistryTree&)> edit);

    Registry registry_;
    std::string path_;
    std::optional<RegistryTree> view_; ///< the hive with the waiting changes
    std::vector<std::function<void(RegistryTree&)>> pending_;
};

} // namespace zevrin
