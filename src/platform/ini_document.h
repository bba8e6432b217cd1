#pragma once
// The text of an ini file with the Windows program's rules:
//
// - "[name]" starts a section; names of sections and keys are compared ignoring
//   case; where a section or a key appears twice, the first one counts;
// - "key=value": key and value are trimmed of blanks, and one pair of matching
//   quotes around the value is removed;
// - lines starting with ";", lines before the first section and any other lines
//   are kept as they are when the file is written again.
//
// The encoding and the line end of the file read are kept for writing.

#include "platform/text_codec.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zevrin {

/// A name or value that the ini format cannot hold (a line break, a key with
/// "=", ...), or an ini file that cannot be read or written.
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IniDocument {
public:
    IniDocument() = default;
    static IniDocument parse(std::string_view bytes);
    /// The file's bytes in its encoding, each line ended by its line end.
    std::string serialize() const;

    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    /// Section names in file order, each once.
    std::vector<std::string> sections() const;
    /// Key names of the section, each once.
    std::vector<std::string> keys(std::string_view section) const;
    /// (key, value) pairs of the section, each key once.
    std::vector<std::pair<std::string, std::string>> values(std::string_view section) const;

    /// Replaces the value of the key, or adds the key at the end of its section, or
    /// the section at the end of the file. A value that trimming or quote removal
    /// would change is written in quotes, so that it reads back as written.
    /// EIniFileError for names or values that the format cannot hold.
    void write(std::string_view section, std::string_view key, std::string_view value);
    /// Removes every section of that name with all its lines.
    void erase_section(std::string_view section);
    /// Removes the key from the section that reads see.
    void delete_key(std::string_view section, std::string_view key);

    const std::vector<std::string>& lines() const { return lines_; }

private:
    struct Range {
        size_t header = 0; ///< index of the "[section]" line
        size_t end = 0;    ///< index after the section's last line
    };
    /// Where reads find sections and keys, by folded name: built by the first read
    /// after a change, so that reading every key of a file takes one pass over it.
    struct Index {
        std::vector<std::string> section_names;          ///< in file order, each once
        std::unordered_map<std::string, Range> sections; ///< the first of each name
        /// For the first section of each name, the first line of each key.
        std::unordered_map<std::string, std::unordered_map<std::string, size_t>> keys;
    };
    const Index& index() const;

    std::optional<Range> find_section(std::string_view section) const;
    std::optional<size_t> find_key(const Range& range, std::string_view key) const;

    std::vector<std::string> lines_;
    mutable std::optional<Index> index_;
    std::string line_end_ = "\n";
    TextEncoding encoding_ = TextEncoding::utf8;
};

/// The section name of a "[name]" line (first blank-trimmed), or nothing.
std::optional<std::string> ini_section_name(std::string_view line);
/// The key and value of a "key=value" line, trimmed and unquoted, or nothing.
std::optional<std::pair<std::string, std::string>> ini_key_value(std::string_view line);

} // namespace zevrin
