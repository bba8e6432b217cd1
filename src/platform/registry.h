#pragma once
// The registry: per-user and per-machine hives of keys and values, each kept in
// one text file in the registry-export format (platform/registry_tree.h).
//
//   hive                normal place                                  with ZEVRIN_HOME
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/zevrin/HKEY_CURRENT_USER.reg  $ZEVRIN_HOME/registry/
//   HKEY_LOCAL_MACHINE  /var/lib/zevrin/HKEY_LOCAL_MACHINE.reg         $ZEVRIN_HOME/machine/
//
// Only an administrator can write /var/lib/zevrin, as only one can write
// Windows' machine keys; a program run by a user sees its writes there fail.
//
// Every write is one transaction: under the hive's lock file the current file is
// read again, the change applied and the hive saved atomically, so that programs
// writing at the same time lose nothing of each other's. A save changes only the
// lines of what changed (platform/registry_text_edit.h): comments and the layout of
// a hand-edited file stay. A change that changes nothing writes nothing. A read
// first checks whether another process saved the hive since it was last read, and
// never writes.

#include "platform/registry_tree.h"
#include "platform/store_file.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

enum class RegistryHive { current_user, local_machine };

/// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* hive_name(RegistryHive hive);
/// The file that holds the hive (see the table above); for the per-user hive empty
/// when no home folder is known (nor ZEVRIN_HOME or XDG_CONFIG_HOME): it then has no
/// place, reads as empty and cannot be written.
std::string hive_file(RegistryHive hive);
/// The per-user hive has a place, so the user's settings can be kept.
bool user_hive_available();

class Registry {
public:
    explicit Registry(RegistryHive hive);
    /// A hive kept in the given file.
    Registry(RegistryHive hive, std::string file);

    RegistryHive hive() const { return hive_; }
    const std::string& file() const { return file_; }

    // Reads never fail: an absent or unreadable hive has no keys.
    bool key_exists(std::string_view path);
    std::optional<RegistryValue> value(std::string_view path, std::string_view name);
    std::vector<std::string> value_names(std::string_view path);
    std::vector<std::string> subkey_names(std::string_view path);
    /// The whole hive as it is now; valid until the next call on this object.
    const RegistryTree& tree();

    // Writes raise ERegistryError with a readable message when the hive cannot be
    // saved (or read first: a hive that cannot be read is never overwritten).
    void create_key(std::string_view path);
    void write_value(std::string_view path, std::string_view name, RegistryValue value);
    void write_string(std::string_view path, std::string_view name, std::string text);
    void write_dword(std::string_view path, std::string_view name, uint32_t value);
    /// False when there was no such value or key.
    bool delete_value(std::string_view path, std::string_view name);
    bool delete_key(std::string_view path);
    /// Any change of the tree as one transaction; `edit` may run on a newer tree
    /// than the last read one and must not keep references into it.
    void change(const std::function<void(RegistryTree&)>& edit);

private:
    [[noreturn]] void fail(const std::string& what, const std::string& reason) const;
    [[noreturn]] void fail(const std::string& what, int error) const;
    void save(const std::string& old_bytes, const RegistryParse& before, const RegistryTree& after);

    RegistryHive hive_;
    std::string file_;
    RegistryTree tree_;
    FileSignature signature_;
    bool loaded_ = false;
};

} // namespace zevrin
