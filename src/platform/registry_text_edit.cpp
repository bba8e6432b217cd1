#include "platform/registry_text_edit.h"

#include "platform/text_codec.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zevrin {

namespace {

std::string_view trim_left(std::string_view s) {
    const size_t start = s.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view trim_right(std::string_view s) {
    const size_t end = s.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

bool starts_new_entry(std::string_view trimmed) {
    return !trimmed.empty() && (trimmed[0] == '[' || trimmed[0] == '"' || trimmed[0] == '@');
}

// The value name of a value line and where its data starts, as the reader sees them.
std::optional<std::pair<std::string, std::string_view>> name_and_data(std::string_view line) {
    std::string name;
    size_t pos = 1;
    if (line[0] == '"') {
        for (;; ++pos) {
            if (pos >= line.size()) {
                return std::nullopt;
            }
            if (line[pos] == '"') {
                ++pos;
                break;
            }
            if (line[pos] == '\\' && pos + 1 < line.size() &&
                (line[pos + 1] == '\\' || line[pos + 1] == '"')) {
                ++pos;
            }
            name.push_back(line[pos]);
        }
    }
    std::string_view rest = trim_left(line.substr(pos));
    if (rest.empty() || rest[0] != '=') {
        return std::nullopt;
    }
    return std::pair{std::move(name), trim_left(rest.substr(1))};
}

bool is_hex_data(std::string_view data) {
    return data.size() >= 3 && std::tolower(static_cast<unsigned char>(data[0])) == 'h' &&
           std::tolower(static_cast<unsigned char>(data[1])) == 'e' &&
           std::tolower(static_cast<unsigned char>(data[2])) == 'x';
}

// The index of the last line of a value that starts at `first`: hexadecimal data goes
// on over lines that end in a backslash, as the reader joins them.
size_t last_line_of_value(const std::vector<std::string>& lines, size_t first,
                          std::string_view data) {
    if (!is_hex_data(data)) {
        return first;
    }
    std::string joined(trim_right(data));
    size_t last = first;
    while (!joined.empty() && joined.back() == '\\' && last + 1 < lines.size()) {
        const std::string_view next = trim_left(lines[last + 1]);
        if (starts_new_entry(next)) {
            break;
        }
        joined.pop_back();
        joined += trim_right(next);
        ++last;
    }
    return last;
}

// Where the values of one key of the new tree stand.
struct KeyState {
    std::vector<const std::pair<std::string, RegistryValue>*> values; ///< in the key's order
    std::unordered_map<std::string, size_t> index; ///< folded value name -> position
    std::vector<bool> written;                     ///< value already has its line
    std::optional<size_t> last_line;               ///< of the key's last section
};

class Editor {
public:
    Editor(const RegistryTree& before, const RegistryTree& after, std::string_view hive)
        : before_(before), after_(after), hive_(hive), folded_hive_(fold_name(hive)) {}

    std::vector<std::string> run(const std::vector<std::string>& lines) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string_view line = trim_left(lines[i]);
            if (line.empty() || line[0] == ';' || (line[0] != '[' && !starts_new_entry(line))) {
                keep(lines[i]); // comments, blank lines, the header
            } else if (line[0] == '[') {
                key_line(lines[i], line);
            } else {
                i = value_lines(lines, i, line);
            }
        }
        append_new_values_and_keys();
        std::vector<std::string> result;
        for (size_t i = 0; i < out_.size(); ++i) {
            result.push_back(std::move(out_[i]));
            for (std::string& extra : inserted_[i]) {
                result.push_back(std::move(extra));
            }
        }
        return result;
    }

private:
    void keep(std::string line) {
        out_.push_back(std::move(line));
        inserted_.emplace_back();
    }

    KeyState& state_of(const RegistryKey& key) {
        auto [it, fresh] = states_.try_emplace(&key);
        if (fresh) {
            for (const auto& value : key.values()) {
                it->second.index.emplace(fold_name(value.first), it->second.values.size());
                it->second.values.push_back(&value);
            }
            it->second.written.assign(it->second.values.size(), false);
        }
        return it->second;
    }

    void key_line(const std::string& raw, std::string_view line) {
        key_ = nullptr;
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            keep(raw);
            return;
        }
        std::string_view path = line.substr(1, close - 1);
        const size_t slash = path.find('\\');
        if (path.empty() || path[0] == '-' || fold_name(path.substr(0, slash)) != folded_hive_) {
            keep(raw); // a removal: the read-back check decides whether it may stay
            return;
        }
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        key_ = after_.find(path);
        if (key_ != nullptr) {
            keep(raw);
            state_of(*key_).last_line = out_.size() - 1;
        }
    }

    // Returns the index of the value's last line.
    size_t value_lines(const std::vector<std::string>& lines, size_t first, std::string_view line) {
        const auto parts = name_and_data(line);
        const size_t last = parts ? last_line_of_value(lines, first, parts->second) : first;
        if (key_ == nullptr || !parts) {
            return last; // the key went, and its values with it
        }
        KeyState& state = state_of(*key_);
        const auto found = state.index.find(fold_name(parts->first));
        if (found == state.index.end()) {
            return last; // the value went
        }
        const auto& [name, now] = *state.values[found->second];
        const std::optional<RegistryValue> before = value_of(lines, first, last);
        if (before && *before == now) {
            for (size_t i = first; i <= last; ++i) {
                keep(lines[i]);
            }
        } else {
            keep(format_registry_value(name, now));
        }
        state.written[found->second] = true;
        state.last_line = out_.size() - 1;
        return last;
    }

    // What the lines of one value say, read as the reader reads them.
    std::optional<RegistryValue> value_of(const std::vector<std::string>& lines, size_t first,
                                          size_t last) const {
        std::string text = "[" + std::string(hive_) + "\\k]\n";
        for (size_t i = first; i <= last; ++i) {
            text += lines[i] + "\n";
        }
        const RegistryParse p = parse_registry_text(text, hive_);
        const RegistryKey* k = p.tree.find("k");
        if (k == nullptr || k->values().size() != 1) {
            return std::nullopt; // a deletion ("name"=-)
        }
        return k->values().front().second;
    }

    void append_new_values_and_keys() { visit(after_.root(), std::string(hive_), true); }

    void visit(const RegistryKey& key, const std::string& path, bool is_root) {
        KeyState& state = state_of(key);
        std::vector<std::string> missing;
        for (size_t v = 0; v < state.values.size(); ++v) {
            if (!state.written[v]) {
                missing.push_back(
                    format_registry_value(state.values[v]->first, state.values[v]->second));
            }
        }
        if (state.last_line) {
            auto& slot = inserted_[*state.last_line];
            slot.insert(slot.end(), missing.begin(), missing.end());
        } else if (!missing.empty() || !is_root) {
            // A new key; an existing one without a section of its own needs none.
            if (!missing.empty() || before_lacks(path)) {
                keep("");
                keep("[" + path + "]");
                for (std::string& line : missing) {
                    keep(std::move(line));
                }
            }
        }
        for (const auto& [folded, sub] : key.subkeys()) {
            visit(*sub, path + "\\" + sub->name(), false);
        }
    }

    bool before_lacks(const std::string& path) const {
        const std::string_view below = std::string_view(path).substr(hive_.size());
        return before_.find(below) == nullptr;
    }

    const RegistryTree& before_;
    const RegistryTree& after_;
    std::string_view hive_;
    std::string folded_hive_;
    const RegistryKey* key_ = nullptr;
    std::unordered_map<const RegistryKey*, KeyState> states_;
    std::vector<std::string> out_;
    std::vector<std::vector<std::string>> inserted_; ///< lines to follow out_[i]
};

// The same keys and values; the order of a key's values does not matter to a reader.
bool same_content(const RegistryKey& a, const RegistryKey& b) {
    if (a.name() != b.name() || a.values().size() != b.values().size() ||
        a.subkeys().size() != b.subkeys().size()) {
        return false;
    }
    std::unordered_map<std::string, const RegistryValue*> values_of_b;
    for (const auto& [name, value] : b.values()) {
        values_of_b.emplace(fold_name(name), &value);
    }
    for (const auto& [name, value] : a.values()) {
        const auto other = values_of_b.find(fold_name(name));
        if (other == values_of_b.end() || !(*other->second == value)) {
            return false;
        }
    }
    for (const auto& [folded, sub] : a.subkeys()) {
        const RegistryKey* other = b.subkey(folded);
        if (other == nullptr || !same_content(*sub, *other)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string edit_registry_text(std::string_view original, const RegistryParse& before,
                               const RegistryTree& after, std::string_view hive_name) {
    const std::string canonical = format_registry_text(after, hive_name);
    const DecodedText decoded = decode_text(original);
    if (before.damaged_lines > 0 || trim_left(decoded.text).empty()) {
        return canonical;
    }
    const TextLines lines = split_lines(decoded.text);
    Editor editor(before.tree, after, hive_name);
    const std::string edited =
        encode_text(join_lines(editor.run(lines.lines), lines.line_end), decoded.encoding);
    const RegistryParse check = parse_registry_text(edited, hive_name);
    const bool same = check.damaged_lines == 0 && same_content(check.tree.root(), after.root());
    return same ? edited : canonical;
}

} // namespace zevrin
