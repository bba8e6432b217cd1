#include "platform/ini_document.h"

#include "platform/registry_tree.h"

#include <algorithm>
#include <unordered_set>

namespace zevrin {

namespace {

constexpr std::string_view blanks = " \t\v\f";

std::string_view trim_blanks(std::string_view s) {
    const size_t start = s.find_first_not_of(blanks);
    if (start == std::string_view::npos) {
        return std::string_view();
    }
    const size_t end = s.find_last_not_of(blanks);
    return s.substr(start, end - start + 1);
}

std::string_view unquoted(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

bool same_name(std::string_view a, std::string_view b) {
    return a == b || fold_name(a) == fold_name(b);
}

bool breaks_lines(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// `text` between two marks, in one string of the right size: prepending a mark to a
// temporary copies the text twice, and GCC 12 at -O3 takes that copy for an
// overlapping one.
std::string enclosed(char open, std::string_view text, char close) {
    std::string out;
    out.reserve(text.size() + 2);
    out += open;
    out += text;
    out += close;
    return out;
}

void check_name(std::string_view what, std::string_view name) {
    if (breaks_lines(name)) {
        throw EIniFileError("An ini file cannot hold a line break in the " + std::string(what) +
                            " \"" + std::string(name) + "\"");
    }
}

} // namespace

std::optional<std::string> ini_section_name(std::string_view line) {
    line = trim_blanks(line);
    if (line.empty() || line[0] != '[') {
        return std::nullopt;
    }
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(trim_blanks(line.substr(1, close - 1)));
}

std::optional<std::pair<std::string, std::string>> ini_key_value(std::string_view line) {
    const std::string_view t = trim_blanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') {
        return std::nullopt;
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view key = trim_blanks(t.substr(0, eq));
    if (key.empty()) {
        return std::nullopt;
    }
    return std::make_pair(std::string(key), std::string(unquoted(trim_blanks(t.substr(eq + 1)))));
}

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    DecodedText decoded = decode_text(bytes);
    TextLines split = split_lines(decoded.text);
    doc.lines_ = std::move(split.lines);
    doc.line_end_ = std::move(split.line_end);
    doc.encoding_ = decoded.encoding;
    return doc;
}

std::string IniDocument::serialize() const {
    return encode_text(join_lines(lines_, line_end_), encoding_);
}

std::optional<IniDocument::Range> IniDocument::find_section(std::string_view section) const {
    const std::string_view wanted = trim_blanks(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = ini_section_name(lines_[i]);
        if (!name || !same_name(*name, wanted)) {
            continue;
        }
        Range r{i, i + 1};
        while (r.end < lines_.size() && !ini_section_name(lines_[r.end])) {
            ++r.end;
        }
        return r;
    }
    return std::nullopt;
}

std::optional<size_t> IniDocument::find_key(const Range& range, std::string_view key) const {
    const std::string_view wanted = trim_blanks(key);
    for (size_t i = range.header + 1; i < range.end; ++i) {
        const auto kv = ini_key_value(lines_[i]);
        if (kv && same_name(kv->first, wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

const IniDocument::Index& IniDocument::index() const {
    if (index_) {
        return *index_;
    }
    Index& index = index_.emplace();
    std::unordered_map<std::string, size_t>* keys = nullptr; // of a first section
    Range* range = nullptr;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = ini_section_name(lines_[i])) {
            if (range != nullptr) {
                range->end = i;
                range = nullptr;
            }
            std::string folded = fold_name(*name);
            const auto [at, first] = index.sections.try_emplace(folded, Range{i, i + 1});
            keys = first ? &index.keys[std::move(folded)] : nullptr;
            if (first) {
                index.section_names.push_back(*name);
                range = &at->second;
            }
        } else if (keys != nullptr) {
            if (const auto kv = ini_key_value(lines_[i])) {
                keys->try_emplace(fold_name(kv->first), i);
            }
        }
    }
    if (range != nullptr) {
        range->end = lines_.size();
    }
    return index;
}

std::optional<std::string> IniDocument::read(std::string_view section, std::string_view key) const {
    const Index& ix = index();
    const auto keys = ix.keys.find(fold_name(trim_blanks(section)));
    if (keys == ix.keys.end()) {
        return std::nullopt;
    }
    const auto line = keys->second.find(fold_name(trim_blanks(key)));
    if (line == keys->second.end()) {
        return std::nullopt;
    }
    return ini_key_value(lines_[line->second])->second;
}

std::vector<std::string> IniDocument::sections() const {
    return index().section_names;
}

std::vector<std::pair<std::string, std::string>>
IniDocument::values(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> result;
    const Index& ix = index();
    const auto range = ix.sections.find(fold_name(trim_blanks(section)));
    if (range == ix.sections.end()) {
        return result;
    }
    std::unordered_set<std::string> seen;
    for (size_t i = range->second.header + 1; i < range->second.end; ++i) {
        auto kv = ini_key_value(lines_[i]);
        if (kv && seen.insert(fold_name(kv->first)).second) {
            result.push_back(std::move(*kv));
        }
    }
    return result;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> names;
    for (auto& kv : values(section)) {
        names.push_back(std::move(kv.first));
    }
    return names;
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value) {
    index_.reset();
    const std::string_view s = trim_blanks(section);
    const std::string_view k = trim_blanks(key);
    check_name("section", s);
    check_name("key", k);
    check_name("value", value);
    if (s.find(']') != std::string_view::npos) {
        throw EIniFileError("An ini section name cannot hold \"]\": \"" + std::string(s) + "\"");
    }
    if (k.empty() || k.find('=') != std::string_view::npos || k[0] == ';' || k[0] == '[') {
        throw EIniFileError("\"" + std::string(k) + "\" cannot be a key of an ini file");
    }
    const bool needs_quotes = trim_blanks(value) != value || unquoted(value) != value;
    const std::string text = needs_quotes ? enclosed('"', value, '"') : std::string(value);
    const auto range = find_section(s);
    if (!range) {
        if (!lines_.empty() && !trim_blanks(lines_.back()).empty()) {
            lines_.emplace_back();
        }
        lines_.push_back(enclosed('[', s, ']'));
        lines_.push_back(std::string(k) + "=" + text);
        return;
    }
    if (const auto line = find_key(*range, k)) {
        lines_[*line] = ini_key_value(lines_[*line])->first + "=" + text;
        return;
    }
    size_t at = range->end;
    while (at > range->header + 1 && trim_blanks(lines_[at - 1]).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(k) + "=" + text);
}

void IniDocument::erase_section(std::string_view section) {
    index_.reset();
    while (const auto range = find_section(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    }
}

void IniDocument::delete_key(std::string_view section, std::string_view key) {
    index_.reset();
    const auto range = find_section(section);
    if (!range) {
        return;
    }
    if (const auto line = find_key(*range, key)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    }
}

} // namespace zevrin
