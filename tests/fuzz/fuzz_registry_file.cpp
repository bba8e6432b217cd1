// Any bytes as a hive file: reading never fails, and what was read is written so
// that it reads back identically, with nothing left over as damage.

#include "platform/registry_tree.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

const char* const hive = "HKEY_CURRENT_USER";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zevrin;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RegistryParse first = parse_registry_text(bytes, hive);
    const std::string text = format_registry_text(first.tree, hive);
    const RegistryParse second = parse_registry_text(text, hive);
    require(second.damaged_lines == 0);
    require(second.tree == first.tree);
    require(format_registry_text(second.tree, hive) == text);
    return 0;
}
