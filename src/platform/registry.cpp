#include "platform/registry.h"

#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/registry_text_edit.h"
#include "platform/safe_file.h"
#include "platform/system.h"

#include <cerrno>

namespace zevrin {

const char* hive_name(RegistryHive hive) {
    return hive == RegistryHive::current_user ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string hive_file(RegistryHive hive) {
    const std::string file = std::string("/") + hive_name(hive) + ".reg";
    if (hive == RegistryHive::local_machine) {
        return machine_folder() + file;
    }
    const std::string root = zevrin_home();
    if (!root.empty()) {
        return root + "/registry" + file;
    }
    const std::string roaming = app_data_folder(AppDataFolder::roaming);
    return roaming.empty() ? std::string() : roaming + "/zevrin" + file;
}

bool user_hive_available() {
    return !hive_file(RegistryHive::current_user).empty();
}

Registry::Registry(RegistryHive hive) : Registry(hive, hive_file(hive)) {}

Registry::Registry(RegistryHive hive, std::string file) : hive_(hive), file_(std::move(file)) {}

const RegistryTree& Registry::tree() {
    const FileSignature now = file_signature(file_);
    if (loaded_ && now == signature_) {
        return tree_;
    }
    FileContent content = read_file(file_);
    tree_ = parse_registry_text(content.bytes, hive_name(hive_)).tree;
    signature_ = content.signature;
    // A hive beyond the size limit gives what its first part holds until it changes.
    loaded_ = content.error == 0 || content.error == EFBIG;
    return tree_;
}

bool Registry::key_exists(std::string_view path) {
    return tree().find(path) != nullptr;
}

std::optional<RegistryValue> Registry::value(std::string_view path, std::string_view name) {
    const RegistryKey* key = tree().find(path);
    const RegistryValue* v = key ? key->value(name) : nullptr;
    return v ? std::optional<RegistryValue>(*v) : std::nullopt;
}

std::vector<std::string> Registry::value_names(std::string_view path) {
    std::vector<std::string> names;
    if (const RegistryKey* key = tree().find(path)) {
        for (const auto& [name, v] : key->values()) {
            names.push_back(name);
        }
    }
    return names;
}

std::vector<std::string> Registry::subkey_names(std::string_view path) {
    const RegistryKey* key = tree().find(path);
    return key ? key->subkey_names() : std::vector<std::string>();
}

void Registry::fail(const std::string& what, const std::string& reason) const {
    throw ERegistryError("Cannot " + what + " the registry " + hive_name(hive_) + " in \"" + file_ +
                         "\": " + reason);
}

void Registry::fail(const std::string& what, int error) const {
    fail(what,
         error == EWOULDBLOCK ? "the file is locked by another program" : read_error_text(error));
}

void Registry::change(const std::function<void(RegistryTree&)>& edit) {
    if (file_.empty()) {
        throw ERegistryError(std::string("Cannot save the registry ") + hive_name(hive_) + ": " +
                             no_home_folder_text + ", so settings cannot be kept");
    }
    if (const int error = make_folders(folder_of(file_))) {
        fail("save", error);
    }
    int damaged_lines = 0;
    std::vector<std::string> limits_exceeded;
    {
        const std::string lock_file = file_ + ".lock";
        FileLock lock(lock_file, false);
        if (lock.error() == ELOOP || lock.error() == EINVAL) {
            fail("save", "its lock file \"" + lock_file + "\" is not a regular file");
        }
        if (lock.error() != 0) {
            fail("save", lock.error());
        }
        const FileContent content = read_file(file_);
        if (content.error != 0) {
            fail("read", content.error);
        }
        const RegistryParse before = parse_registry_text(content.bytes, hive_name(hive_));
        RegistryTree after = before.tree;
        edit(after);
        // A change that changes nothing leaves the file as it is, hand-made or damaged.
        if (!(after == before.tree)) {
            damaged_lines = before.damaged_lines;
            limits_exceeded = before.limits_exceeded;
            save(content.bytes, before, after);
        }
        tree_ = std::move(after);
        signature_ = file_signature(file_);
        loaded_ = true;
    }
    if (damaged_lines > 0) {
        std::string beyond;
        for (const std::string& reason : limits_exceeded) {
            beyond += (beyond.empty() ? " (among them " : ", ") + reason;
        }
        if (!beyond.empty()) {
            beyond += ", more than a registry file may hold)";
        }
        message_box("The registry file \"" + file_ +
                        "\" was damaged: " + std::to_string(damaged_lines) +
                        " line(s) could not be read and were left out" + beyond +
                        ". The damaged file was kept as \"" + file_ + ".damaged\".",
                    "Registry", mb::ok | mb::iconexclamation);
    }
}

void Registry::save(const std::string& old_bytes, const RegistryParse& before,
                    const RegistryTree& after) {
    // What could not be read is kept aside before the save leaves it out. The backup
    // is the program's own file: a link in its place is replaced, never followed.
    if (before.damaged_lines > 0) {
        const std::string backup = file_ + ".damaged";
        const SafeWriteOptions own_file{.links = LinkPolicy::replace, .streams = false};
        if (const FileError e = write_file_safely(backup, old_bytes, own_file)) {
            fail("save", "the damaged file cannot be kept as \"" + backup + "\": " + e.reason);
        }
    }
    const std::string text = edit_registry_text(old_bytes, before, after, hive_name(hive_));
    if (const FileError e = write_file_safely(file_, text)) {
        fail("save", e.reason);
    }
}

void Registry::create_key(std::string_view path) {
    change([&](RegistryTree& tree) { tree.create(path); });
}

void Registry::write_value(std::string_view path, std::string_view name, RegistryValue value) {
    change([&](RegistryTree& tree) { tree.create(path).set_value(name, value); });
}

void Registry::write_string(std::string_view path, std::string_view name, std::string text) {
    write_value(path, name, RegistryValue::string(std::move(text)));
}

void Registry::write_dword(std::string_view path, std::string_view name, uint32_t value) {
    write_value(path, name, RegistryValue::number(value));
}

bool Registry::delete_value(std::string_view path, std::string_view name) {
    bool deleted = false;
    change([&](RegistryTree& tree) {
        RegistryKey* key = tree.find(path);
        deleted = key != nullptr && key->delete_value(name);
    });
    return deleted;
}

bool Registry::delete_key(std::string_view path) {
    bool deleted = false;
    change([&](RegistryTree& tree) { deleted = tree.remove(path); });
    return deleted;
}

} // namespace zevrin
