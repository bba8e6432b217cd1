// Any bytes as an ini file: reading never fails, a key read alone gives what its
// section gives, writing the file again keeps every line, and a value written into
// it reads back exactly (or is refused as the format cannot hold it).

#include "platform/ini_document.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void same_reading(const zevrin::IniDocument& a, const zevrin::IniDocument& b) {
    require(a.lines() == b.lines());
    require(a.sections() == b.sections());
    for (const std::string& section : a.sections()) {
        require(a.values(section) == b.values(section));
    }
}

// A key read alone gives what the whole section gives for it.
void reads_agree(const zevrin::IniDocument& d) {
    for (const std::string& section : d.sections()) {
        for (const auto& [key, value] : d.values(section)) {
            require(d.read(section, key) == value);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zevrin;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(bytes);
    reads_agree(doc);
    same_reading(doc, IniDocument::parse(doc.serialize()));

    // The input's first bytes name a section, a key and a value to write.
    const auto part = [&](size_t from, size_t count) {
        return std::string(bytes.substr(std::min(from, bytes.size()), count));
    };
    const std::string section = part(0, 8);
    const std::string key = part(8, 8);
    const std::string value = part(16, 32);
    try {
        doc.write(section, key, value);
    } catch (const EIniFileError&) {
        return 0;
    }
    require(doc.read(section, key) == value);
    reads_agree(doc);
    const IniDocument again = IniDocument::parse(doc.serialize());
    require(again.read(section, key) == value);
    same_reading(doc, again);
    doc.erase_section(section);
    require(!doc.read(section, key).has_value());
    return 0;
}
