#include "platform/registry_tree.h"

#include "dsp/text.h"
#include "platform/store_file.h"
#include "platform/text_codec.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace zevrin {

namespace {

const char* const header_v5 = "Windows Registry Editor Version 5.00";
const char* const header_v4 = "REGEDIT4";

bool has_control(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string_view trim_left(std::string_view s) {
    const size_t start = s.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view trim_right(std::string_view s) {
    const size_t end = s.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

bool starts_with_folded(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && fold_name(s.substr(0, prefix.size())) == prefix;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A quoted text starting at s[pos] == '"'; `pos` ends after the closing quote.
bool parse_quoted(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    for (size_t i = pos + 1; i < s.size(); ++i) {
        if (s[i] == '"') {
            pos = i + 1;
            return true;
        }
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            ++i;
        }
        out.push_back(s[i]);
    }
    return false;
}

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool parse_dword(std::string_view digits, uint32_t& value) {
    digits = trim_right(digits);
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    value = 0;
    for (char c : digits) {
        const int d = hex_digit(c);
        if (d < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

// "hex:..." or "hex(N):..." with comma-separated bytes; type -1 for plain "hex".
bool parse_hex(std::string_view data, int& type, std::string& bytes) {
    data.remove_prefix(3);
    type = -1;
    if (!data.empty() && data[0] == '(') {
        const size_t close = data.find(')');
        if (close == std::string_view::npos || close == 1 || close > 5) {
            return false;
        }
        type = 0;
        for (char c : data.substr(1, close - 1)) {
            const int d = hex_digit(c);
            if (d < 0) {
                return false;
            }
            type = type * 16 + d;
        }
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data[0] != ':') {
        return false;
    }
    data = trim_right(data.substr(1));
    bytes.clear();
    while (!data.empty()) {
        data = trim_left(data);
        if (data.size() < 2 || hex_digit(data[0]) < 0 || hex_digit(data[1]) < 0) {
            return false;
        }
        bytes.push_back(static_cast<char>(hex_digit(data[0]) * 16 + hex_digit(data[1])));
        data = trim_left(data.substr(2));
        if (!data.empty()) {
            if (data[0] != ',') {
                return false;
            }
            data.remove_prefix(1);
            if (trim_left(data).empty()) {
                return false;
            }
        }
    }
    return true;
}

std::string hex_text(int type, std::string_view bytes) {
    char buffer[24] = "hex:";
    if (type >= 0) {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(type));
    }
    std::string out = buffer;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char byte_text[4];
        std::snprintf(byte_text, sizeof byte_text, i == 0 ? "%02x" : ",%02x",
                      static_cast<unsigned char>(bytes[i]));
        out += byte_text;
    }
    return out;
}

// REG_SZ data in hexadecimal: UTF-16LE with its terminating null.
std::string string_from_hex(std::string_view bytes) {
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    if (!units.empty() && units.back() == 0) {
        units.pop_back();
    }
    return utf16_to_utf8(units);
}

std::string string_to_hex(std::string_view text) {
    std::string bytes;
    for (char16_t u : utf8_to_utf16(text)) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    bytes.append(2, '\0');
    return hex_text(1, bytes);
}

void append_value(std::string& out, const std::string& name, const RegistryValue& value);

// The lines of a text one at a time, split as split_lines splits them, without
// copying them: a file of many short lines costs no more than its text.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }
    /// The line at the cursor, without its line end.
    std::string_view peek() const { return text_.substr(pos_, line_length()); }
    void advance() {
        pos_ += line_length();
        if (pos_ < text_.size()) {
            pos_ +=
                text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n' ? 2 : 1;
        }
    }
    /// The line at the cursor is the last and has no line end.
    bool last_line_cut() const { return pos_ + line_length() == text_.size(); }

private:
    size_t line_length() const {
        const size_t end = text_.find_first_of("\r\n", pos_);
        return (end == std::string_view::npos ? text_.size() : end) - pos_;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

class Parser {
public:
    Parser(std::string_view bytes, std::string_view hive)
        : hive_(fold_name(hive)), text_(decode_text(bytes).text), lines_(text_),
          written_(std::string_view(header_v5).size() + 1 + hive.size() + 4) {}

    RegistryParse run() {
        for (; !lines_.at_end(); lines_.advance()) {
            const std::string_view line = trim_left(lines_.peek());
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line[0] == '[') {
                key_line(line);
            } else if (!seen_key_ &&
                       (trim_right(line) == header_v5 || trim_right(line) == header_v4)) {
                continue;
            } else if (!value_line(line)) {
                ++result_.damaged_lines;
            }
        }
        return std::move(result_);
    }

private:
    void exceeded(const std::string& reason) {
        ++result_.damaged_lines;
        auto& reasons = result_.limits_exceeded;
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
            reasons.push_back(reason);
        }
    }

    void key_line(std::string_view line) {
        seen_key_ = true;
        key_ = nullptr;
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            ++result_.damaged_lines;
            return;
        }
        std::string_view path = line.substr(1, close - 1);
        const bool removal = !path.empty() && path[0] == '-';
        if (removal) {
            path.remove_prefix(1);
        }
        const size_t slash = path.find('\\');
        if (fold_name(path.substr(0, slash)) != hive_) {
            ++result_.damaged_lines;
            return;
        }
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (removal) {
            result_.tree.remove(path);
            return;
        }
        open_key(path);
    }

    // The number of names in a key path, counted without splitting it.
    static size_t depth_of(std::string_view path) {
        size_t depth = 0;
        for (size_t i = 0; i < path.size(); ++i) {
            depth += path[i] != '\\' && (i == 0 || path[i - 1] == '\\') ? 1 : 0;
        }
        return depth;
    }

    // The key of a "[...]" line, created with its parents unless that would break a
    // limit: then nothing of the line is created.
    void open_key(std::string_view path) {
        if (depth_of(path) > registry_max_depth) {
            exceeded("keys nested deeper than " + std::to_string(registry_max_depth) + " levels");
            return;
        }
        const std::vector<std::string> parts = split_key_path(path);
        if (!std::all_of(parts.begin(), parts.end(), valid_key_name)) {
            ++result_.damaged_lines;
            return;
        }
        RegistryKey* key = &result_.tree.root();
        size_t existing = 0;
        size_t path_length = hive_.size();
        while (existing < parts.size() && key->subkey(parts[existing]) != nullptr) {
            path_length += 1 + parts[existing].size();
            key = key->subkey(parts[existing++]);
        }
        // Each new key is a line "\n[path]\n" of the text form.
        size_t added = 0;
        for (size_t i = existing; i < parts.size(); ++i) {
            path_length += 1 + parts[i].size();
            added += path_length + 4;
        }
        if (!within_text(added)) {
            return;
        }
        for (size_t i = existing; i < parts.size(); ++i) {
            key = &key->add_subkey(parts[i]);
        }
        key_ = key;
    }

    // Whether `bytes` more of text form still fit what a hive file may hold; counts
    // them when they do, the line as damage when not.
    bool within_text(size_t bytes) {
        if (written_ + bytes > store_file_limit) {
            exceeded("keys and values beyond " + std::to_string(store_file_limit / (1024 * 1024)) +
                     " MiB of text");
            return false;
        }
        written_ += bytes;
        return true;
    }

    // A hexadecimal value may go on over lines that end in a backslash.
    std::string joined_data(std::string_view data) {
        std::string joined(trim_right(data));
        while (!joined.empty() && joined.back() == '\\') {
            LineCursor next_cursor = lines_;
            next_cursor.advance();
            if (next_cursor.at_end()) {
                break;
            }
            const std::string_view next = trim_left(next_cursor.peek());
            if (!next.empty() && (next[0] == '[' || next[0] == '"' || next[0] == '@')) {
                break;
            }
            joined.pop_back();
            joined += trim_right(next);
            lines_ = next_cursor;
        }
        return joined;
    }

    bool value_line(std::string_view line) {
        if (key_ == nullptr) {
            return false;
        }
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] != '"' || !parse_quoted(line, pos, name) || !valid_value_name(name)) {
            return false;
        }
        std::string_view rest = trim_left(line.substr(pos));
        if (rest.empty() || rest[0] != '=') {
            return false;
        }
        rest = trim_left(rest.substr(1));
        RegistryValue value;
        if (trim_right(rest) == "-") {
            key_->delete_value(name);
            return true;
        }
        if (!rest.empty() && rest[0] == '"') {
            size_t end = 0;
            std::string text;
            if (!parse_quoted(rest, end, text) || !trim_right(rest.substr(end)).empty()) {
                return false;
            }
            value = RegistryValue::string(std::move(text));
        } else if (lines_.last_line_cut()) {
            return false;
        } else if (starts_with_folded(rest, "dword:")) {
            uint32_t number = 0;
            if (!parse_dword(rest.substr(6), number)) {
                return false;
            }
            value = RegistryValue::number(number);
        } else if (starts_with_folded(rest, "hex")) {
            const std::string data = joined_data(rest);
            int type = 0;
            std::string bytes;
            if (lines_.last_line_cut() || !parse_hex(data, type, bytes)) {
                return false;
            }
            value = typed_value(type, bytes);
        } else {
            return false;
        }
        return store(name, std::move(value));
    }

    // A value written again counts again: the bound is on what the text can grow to.
    bool store(const std::string& name, RegistryValue value) {
        std::string line;
        append_value(line, name, value);
        if (within_text(line.size())) {
            key_->set_value(name, std::move(value));
        }
        return true; // a value beyond the limit was counted as damage
    }

    static RegistryValue typed_value(int type, const std::string& bytes) {
        if (type == 1) {
            return RegistryValue::string(string_from_hex(bytes));
        }
        if (type == 4 && bytes.size() == 4) {
            uint32_t v = 0;
            for (int i = 3; i >= 0; --i) {
                v = (v << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
            }
            return RegistryValue::number(v);
        }
        RegistryValue other;
        other.kind = RegistryValue::Kind::other;
        other.text = hex_text(type, bytes);
        return other;
    }

    std::string hive_;
    std::string text_;
    LineCursor lines_;
    bool seen_key_ = false;
    RegistryKey* key_ = nullptr;
    size_t written_; ///< an upper bound of the size of the text form of the tree
    RegistryParse result_;
};

// One value's line of the text form.
void append_value(std::string& out, const std::string& name, const RegistryValue& value) {
    out += name.empty() ? std::string("@") : quoted(name);
    out += '=';
    switch (value.kind) {
    case RegistryValue::Kind::string:
        out += has_control(value.text) ? string_to_hex(value.text) : quoted(value.text);
        break;
    case RegistryValue::Kind::dword: {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", value.dword);
        out += buffer;
        break;
    }
    case RegistryValue::Kind::other:
        out += value.text;
        break;
    }
    out += '\n';
}

void format_key(const RegistryKey& key, const std::string& path, bool is_root, std::string& out) {
    if (!is_root || !key.values().empty()) {
        out += "\n[" + path + "]\n";
        for (const auto& [name, value] : key.values()) {
            append_value(out, name, value);
        }
    }
    for (const auto& [folded, sub] : key.subkeys()) {
        format_key(*sub, path + "\\" + sub->name(), false, out);
    }
}

} // namespace

RegistryValue RegistryValue::string(std::string text) {
    RegistryValue v;
    v.kind = Kind::string;
    v.text = std::move(text);
    return v;
}

RegistryValue RegistryValue::number(uint32_t value) {
    RegistryValue v;
    v.kind = Kind::dword;
    v.dword = value;
    return v;
}

std::string fold_name(std::string_view name) {
    return lower_case(name);
}

std::vector<std::string> split_key_path(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

bool valid_key_name(std::string_view name) {
    return !name.empty() && !has_control(name) && name.find('\\') == std::string_view::npos;
}

bool valid_value_name(std::string_view name) {
    return !has_control(name);
}

RegistryKey::RegistryKey(const RegistryKey& other) : name_(other.name_), values_(other.values_) {
    index_values();
    for (const auto& [folded, key] : other.subkeys_) {
        subkeys_.emplace(folded, std::make_unique<RegistryKey>(*key));
    }
}

RegistryKey& RegistryKey::operator=(const RegistryKey& other) {
    if (this != &other) {
        RegistryKey copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void RegistryKey::index_values() {
    index_.clear();
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        index_.emplace(fold_name(it->first), it);
    }
}

const RegistryValue* RegistryKey::value(std::string_view name) const {
    const auto found = index_.find(fold_name(name));
    return found == index_.end() ? nullptr : &found->second->second;
}

void RegistryKey::set_value(std::string_view name, RegistryValue value) {
    if (!valid_value_name(name)) {
        throw ERegistryError("Invalid registry value name \"" + std::string(name) + "\"");
    }
    std::string folded = fold_name(name);
    const auto found = index_.find(folded);
    if (found != index_.end()) {
        found->second->second = std::move(value);
        return;
    }
    values_.emplace_back(std::string(name), std::move(value));
    index_.emplace(std::move(folded), std::prev(values_.end()));
}

bool RegistryKey::delete_value(std::string_view name) {
    const auto found = index_.find(fold_name(name));
    if (found == index_.end()) {
        return false;
    }
    values_.erase(found->second);
    index_.erase(found);
    return true;
}

const RegistryKey* RegistryKey::subkey(std::string_view name) const {
    const auto it = subkeys_.find(fold_name(name));
    return it == subkeys_.end() ? nullptr : it->second.get();
}

RegistryKey* RegistryKey::subkey(std::string_view name) {
    const auto it = subkeys_.find(fold_name(name));
    return it == subkeys_.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::add_subkey(std::string_view name) {
    if (!valid_key_name(name)) {
        throw ERegistryError("Invalid registry key name \"" + std::string(name) + "\"");
    }
    auto& slot = subkeys_[fold_name(name)];
    if (!slot) {
        slot = std::make_unique<RegistryKey>(std::string(name));
    }
    return *slot;
}

bool RegistryKey::delete_subkey(std::string_view name) {
    return subkeys_.erase(fold_name(name)) > 0;
}

std::vector<std::string> RegistryKey::subkey_names() const {
    std::vector<std::string> names;
    names.reserve(subkeys_.size());
    for (const auto& [folded, key] : subkeys_) {
        names.push_back(key->name());
    }
    return names;
}

bool RegistryKey::operator==(const RegistryKey& other) const {
    if (name_ != other.name_ || values_ != other.values_ ||
        subkeys_.size() != other.subkeys_.size()) {
        return false;
    }
    return std::equal(
        subkeys_.begin(), subkeys_.end(), other.subkeys_.begin(),
        [](const auto& a, const auto& b) { return a.first == b.first && *a.second == *b.second; });
}

const RegistryKey* RegistryTree::find(std::string_view path) const {
    const RegistryKey* key = &root_;
    for (const std::string& part : split_key_path(path)) {
        key = key->subkey(part);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

RegistryKey* RegistryTree::find(std::string_view path) {
    return const_cast<RegistryKey*>(std::as_const(*this).find(path));
}

RegistryKey& RegistryTree::create(std::string_view path) {
    const std::vector<std::string> parts = split_key_path(path);
    if (parts.size() > registry_max_depth) {
        throw ERegistryError("Registry keys cannot be nested deeper than " +
                             std::to_string(registry_max_depth) + " levels");
    }
    for (const std::string& part : parts) {
        if (!valid_key_name(part)) {
            throw ERegistryError("Invalid registry key name \"" + part + "\"");
        }
    }
    RegistryKey* key = &root_;
    for (const std::string& part : parts) {
        key = &key->add_subkey(part);
    }
    return *key;
}

bool RegistryTree::remove(std::string_view path) {
    std::vector<std::string> parts = split_key_path(path);
    if (parts.empty()) {
        return false;
    }
    const std::string last = parts.back();
    parts.pop_back();
    RegistryKey* parent = &root_;
    for (const std::string& part : parts) {
        parent = parent->subkey(part);
        if (parent == nullptr) {
            return false;
        }
    }
    return parent->delete_subkey(last);
}

RegistryParse parse_registry_text(std::string_view bytes, std::string_view hive_name) {
    return Parser(bytes, hive_name).run();
}

std::string format_registry_value(std::string_view name, const RegistryValue& value) {
    std::string out;
    append_value(out, std::string(name), value);
    out.pop_back(); // the line end
    return out;
}

std::string format_registry_text(const RegistryTree& tree, std::string_view hive_name) {
    std::string out = std::string(header_v5) + "\n";
    format_key(tree.root(), std::string(hive_name), true, out);
    return out;
}

} // namespace zevrin
