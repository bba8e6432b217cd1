#pragma once
// The data of one registry hive and its text form.
//
// Keys form a tree; a key's name keeps the spelling it was created with and is
// found ignoring case, as Windows' registry does. A value is a string,
// a 32-bit integer (REG_DWORD) or data of another type that is kept unchanged.
// The text form is the registry-export format:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\Software\MarvenData]
//     "name"="text"
//     "count"=dword:0000002a

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zevrin {

// What a hive may hold. Keys are never nested deeper than Windows'
// registry allows, so that the code that walks the tree (copying, comparing, writing,
// freeing it) stays within its stack; and the text form of what is read stays within
// what a hive file may hold (platform/store_file.h), so that a save can be read back
// whole and a damaged or hostile file cannot make the program hold more. (Short lines
// of deep keys name many keys at once, whose text form repeats each path.) A hive
// holds settings of a few kilobytes.
inline constexpr size_t registry_max_depth = 512;

/// A failure of the registry: an invalid name, or a hive that cannot be saved.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RegistryValue {
    enum class Kind { string, dword, other };
    Kind kind = Kind::string;
    std::string text; ///< string: the text; other: the data as written, "hex(7):41,00,..."
    uint32_t dword = 0;

    static RegistryValue string(std::string text);
    static RegistryValue number(uint32_t value);
    bool operator==(const RegistryValue&) const = default;
};

/// The form in which names are compared.
std::string fold_name(std::string_view name);
/// The non-empty parts of a key path separated by backslashes.
std::vector<std::string> split_key_path(std::string_view path);
/// Names are non-empty (value names may be empty: the key's default value) and hold
/// no control characters, which the text form cannot carry.
bool valid_key_name(std::string_view name);
bool valid_value_name(std::string_view name);

class RegistryKey {
public:
    explicit RegistryKey(std::string name) : name_(std::move(name)) {}
    RegistryKey(const RegistryKey& other);
    RegistryKey& operator=(const RegistryKey& other);
    RegistryKey(RegistryKey&&) = default;
    RegistryKey& operator=(RegistryKey&&) = default;

    const std::string& name() const { return name_; }

    const RegistryValue* value(std::string_view name) const;
    /// Sets a value; an existing one keeps its place and the spelling of its name.
    /// ERegistryError for an invalid name.
    void set_value(std::string_view name, RegistryValue value);
    bool delete_value(std::string_view name);
    /// Values in the order in which they were created.
    const std::list<std::pair<std::string, RegistryValue>>& values() const { return values_; }

    const RegistryKey* subkey(std::string_view name) const;
    RegistryKey* subkey(std::string_view name);
    /// The subkey of that name, created when missing. ERegistryError for an invalid name.
    RegistryKey& add_subkey(std::string_view name);
    bool delete_subkey(std::string_view name);
    /// Subkey names in alphabetical order, ignoring case.
    std::vector<std::string> subkey_names() const;
    const std::map<std::string, std::unique_ptr<RegistryKey>>& subkeys() const { return subkeys_; }

    /// Same names, values and subkeys (names compared as spelled).
    bool operator==(const RegistryKey& other) const;

private:
    using ValueList = std::list<std::pair<std::string, RegistryValue>>;
    void index_values();

    std::string name_;
    ValueList values_;
    /// Each value by its folded name: a lookup does not depend on how many there are.
    std::unordered_map<std::string, ValueList::iterator> index_;
    std::map<std::string, std::unique_ptr<RegistryKey>> subkeys_; ///< by folded name
};

class RegistryTree {
public:
    RegistryTree() : root_("") {}
    RegistryKey& root() { return root_; }
    const RegistryKey& root() const { return root_; }

    /// The key at `path` below the root ("" is the root), or nullptr.
    const RegistryKey* find(std::string_view path) const;
    RegistryKey* find(std::string_view path);
    /// The key at `path`, created with its missing parents. ERegistryError for an
    /// invalid name or a path deeper than registry_max_depth.
    RegistryKey& create(std::string_view path);
    /// Deletes the key at `path` with everything below it; the root cannot go.
    bool remove(std::string_view path);

    bool operator==(const RegistryTree& other) const { return root_ == other.root_; }

private:
    RegistryKey root_;
};

struct RegistryParse {
    RegistryTree tree;
    /// Lines that could not be used (damaged, truncated, of another hive, or beyond
    /// the limits above); every other key and value of the text is in the tree.
    int damaged_lines = 0;
    /// Why lines were left out beyond the limits ("keys nested deeper than 512
    /// levels", "keys and values beyond 1 MiB of text"), each reason once, for the
    /// message that reports the damage.
    std::vector<std::string> limits_exceeded;
};

/// Reads the text form of the hive named `hive_name` ("HKEY_CURRENT_USER"): UTF-8 or
/// UTF-16 with a byte-order mark, any line ends. Never fails: what cannot be read is
/// counted and skipped. Takes time and memory in proportion to the text, whatever it
/// holds; format_registry_text of the tree gives at most store_file_limit bytes.
RegistryParse parse_registry_text(std::string_view bytes, std::string_view hive_name);
/// The text form of the tree (UTF-8, LF line ends). Strings that hold control
/// characters are written as REG_SZ data in hexadecimal, so that they read back
/// exactly.
std::string format_registry_text(const RegistryTree& tree, std::string_view hive_name);
/// One value's line of the text form, without its line end.
std::string format_registry_value(std::string_view name, const RegistryValue& value);

} // namespace zevrin
