#include "platform/registry_ini.h"

namespace zevrin {

namespace {

std::optional<std::string> value_text(const RegistryValue& v) {
    switch (v.kind) {
    case RegistryValue::Kind::string:
        return v.text;
    case RegistryValue::Kind::dword:
        return std::to_string(static_cast<int32_t>(v.dword));
    case RegistryValue::Kind::other:
        break;
    }
    return std::nullopt;
}

} // namespace

RegistryIni::RegistryIni(RegistryHive hive, std::string key_path)
    : registry_(hive), path_(std::move(key_path)) {}

RegistryIni::~RegistryIni() {
    try {
        update_file();
    } catch (const ERegistryError&) {
        // Nowhere to report from a destructor; callers that must know call update_file().
    }
}

std::string RegistryIni::section_path(std::string_view section) const {
    return path_ + "\\" + std::string(section);
}

const RegistryKey* RegistryIni::section_key(std::string_view section) {
    return (view_ ? *view_ : registry_.tree()).find(section_path(section));
}

std::optional<std::string> RegistryIni::read(std::string_view section, std::string_view key) {
    const RegistryKey* k = section_key(section);
    const RegistryValue* v = k ? k->value(key) : nullptr;
    return v ? value_text(*v) : std::nullopt;
}

std::vector<std::string> RegistryIni::sections() {
    const RegistryKey* k = (view_ ? *view_ : registry_.tree()).find(path_);
    return k ? k->subkey_names() : std::vector<std::string>();
}

std::vector<std::pair<std::string, std::string>> RegistryIni::values(std::string_view section) {
    std::vector<std::pair<std::string, std::string>> result;
    if (const RegistryKey* k = section_key(section)) {
        for (const auto& [name, v] : k->values()) {
            if (auto text = value_text(v)) {
                result.emplace_back(name, std::move(*text));
            }
        }
    }
    return result;
}

std::vector<std::string> RegistryIni::keys(std::string_view section) {
    std::vector<std::string> names;
    if (const RegistryKey* k = section_key(section)) {
        for (const auto& [name, v] : k->values()) {
            names.push_back(name);
        }
    }
    return names;
}

void RegistryIni::change(std::function<void(RegistryTree&)> edit) {
    if (!view_) {
        view_ = registry_.tree();
    }
    edit(*view_); // throws for a name the registry cannot hold, before changing anything
    pending_.push_back(std::move(edit));
}

void RegistryIni::write(std::string_view section, std::string_view key, std::string_view value) {
    change([p = section_path(section), k = std::string(key), v = std::string(value)](
               RegistryTree& t) { t.create(p).set_value(k, RegistryValue::string(v)); });
}

void RegistryIni::erase_section(std::string_view section) {
    change([p = section_path(section)](RegistryTree& t) { t.remove(p); });
}

void RegistryIni::delete_key(std::string_view section, std::string_view key) {
    change([p = section_path(section), k = std::string(key)](RegistryTree& t) {
        if (RegistryKey* found = t.find(p)) {
            found->delete_value(k);
        }
    });
}

void RegistryIni::update_file() {
    if (pending_.empty()) {
        return;
    }
    registry_.change([this](RegistryTree& t) {
        t.create(path_);
        for (const auto& edit : pending_) {
            edit(t);
        }
    });
    pending_.clear();
    view_.reset();
}

void RegistryIni::discard_changes() {
    pending_.clear();
    view_.reset();
}

} // namespace zevrin
