#pragma once
// An ini file on disk (rules in platform/ini_document.h).
//
// Changes collect in memory until update_file(), which applies them, under a lock
// on the file's folder, to the file as it is on disk at that moment and replaces it
// atomically: changes that another process saved meanwhile stay. Reads see a newer
// file of another process as long as no own changes wait to be written.

#include "platform/ini_document.h"
#include "platform/ini_store.h"
#include "platform/store_file.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zevrin {

class IniFile : public IniStore {
public:
    /// A name without a folder lands in the program's data folder (windows_folder()),
    /// where the Windows program puts it in the system folder; with no home folder known
    /// it has no place: it reads as empty and update_file() raises.
    explicit IniFile(std::string file_name);
    /// Writes what is still waiting; a failure here is lost, so callers that must
    /// know call update_file() first.
    ~IniFile() override;
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    /// The name as given.
    const std::string& file_name() const { return name_; }
    /// The file actually used.
    const std::string& path() const { return path_; }

    std::optional<std::string> read(std::string_view section, std::string_view key) override;
    std::string read_string(std::string_view section, std::string_view key,
                            std::string_view default_value);
    std::vector<std::string> sections() override;
    std::vector<std::string> keys(std::string_view section) override;
    std::vector<std::pair<std::string, std::string>> values(std::string_view section) override;

    /// EIniFileError at once for a name or value the format cannot hold.
    void write(std::string_view section, std::string_view key, std::string_view value) override;
    void erase_section(std::string_view section) override;
    void delete_key(std::string_view section, std::string_view key) override;

    /// Saves the waiting changes; EIniFileError "Unable to write to ..." with the
    /// reason when the file cannot be read or written (the changes keep waiting).
    void update_file() override;
    bool has_changes() const override { return !pending_.empty(); }
    void discard_changes() override;

private:
    const IniDocument& current();
    void change(std::function<void(IniDocument&)> edit);

    std::string name_;
    std::string path_;
    IniDocument doc_;
    std::vector<std::function<void(IniDocument&)>> pending_;
    FileSignature signature_;
    bool loaded_ = false;
};

} // namespace zevrin
