#include "platform/ini_file.h"

#include "platform/safe_file.h"
#include "platform/system.h"

#include <cerrno>

namespace zevrin {

IniFile::IniFile(std::string file_name) : name_(std::move(file_name)) {
    if (name_.find('/') != std::string::npos) {
        path_ = name_;
    } else if (const std::string folder = windows_folder(); !folder.empty()) {
        path_ = folder + "/" + name_;
    }
}

IniFile::~IniFile() {
    try {
        update_file();
    } catch (const EIniFileError&) {
        // Nowhere to report from a destructor; see the header.
    }
}

const IniDocument& IniFile::current() {
    if (!pending_.empty()) {
        return doc_;
    }
    const FileSignature now = file_signature(path_);
    if (!loaded_ || !(now == signature_)) {
        const FileContent content = read_file(path_);
        doc_ = IniDocument::parse(content.bytes);
        signature_ = content.signature;
        // A file beyond the size limit gives what its first part holds until it changes.
        loaded_ = content.error == 0 || content.error == EFBIG;
    }
    return doc_;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) {
    return current().read(section, key);
}

std::string IniFile::read_string(std::string_view section, std::string_view key,
                                 std::string_view default_value) {
    auto v = read(section, key);
    return v ? std::move(*v) : std::string(default_value);
}

std::vector<std::string> IniFile::sections() {
    return current().sections();
}

std::vector<std::string> IniFile::keys(std::string_view section) {
    return current().keys(section);
}

std::vector<std::pair<std::string, std::string>> IniFile::values(std::string_view section) {
    return current().values(section);
}

void IniFile::change(std::function<void(IniDocument&)> edit) {
    current();
    edit(doc_); // throws for what the format cannot hold, before anything waits
    pending_.push_back(std::move(edit));
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    change([s = std::string(section), k = std::string(key),
            v = std::string(value)](IniDocument& d) { d.write(s, k, v); });
}

void IniFile::erase_section(std::string_view section) {
    change([s = std::string(section)](IniDocument& d) { d.erase_section(s); });
}

void IniFile::delete_key(std::string_view section, std::string_view key) {
    change(
        [s = std::string(section), k = std::string(key)](IniDocument& d) { d.delete_key(s, k); });
}

void IniFile::update_file() {
    if (pending_.empty()) {
        return;
    }
    // A name without a folder has no place without a home folder.
    if (path_.empty()) {
        throw EIniFileError("Unable to write to \"" + name_ + "\": " + no_home_folder_text);
    }
    const auto fail = [&](const std::string& reason) {
        throw EIniFileError("Unable to write to \"" + path_ + "\": " + reason);
    };
    // The program's data folder, the place of bare names, appears with its first file.
    if (name_.find('/') == std::string::npos) {
        if (const int error = make_folders(folder_of(path_))) {
            fail(error_text(error));
        }
    }
    FileLock lock(folder_of(path_), true);
    if (lock.error() != 0) {
        fail(lock.error() == EWOULDBLOCK ? "the file is locked by another program"
                                         : error_text(lock.error()));
    }
    const FileContent content = read_file(path_);
    if (content.error != 0) {
        // Never overwrite what could not be read.
        fail(content.error == EINVAL ? "it is not a regular file" : read_error_text(content.error));
    }
    IniDocument fresh = IniDocument::parse(content.bytes);
    for (const auto& edit : pending_) {
        edit(fresh);
    }
    const std::string bytes = fresh.serialize();
    if (bytes != content.bytes) {
        if (const FileError e = write_file_safely(path_, bytes)) {
            fail(e.reason);
        }
    }
    doc_ = std::move(fresh);
    pending_.clear();
    signature_ = file_signature(path_);
    loaded_ = true;
}

void IniFile::discard_changes() {
    pending_.clear();
    loaded_ = false; // the document holds the forgotten changes: read the file again
}

} // namespace zevrin
