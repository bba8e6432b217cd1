// Hive files of extreme shapes: the input is a program that writes keys nested
// thousands of levels deep, thousands of sibling keys, keys of thousands of values,
// deletions and removals, among lines of its own bytes. Reading keeps within the
// limits of a hive whatever the shape (no key deeper than 512 levels, a text form of
// at most 1 MiB), and what was read is written so that it reads back identically.

#include "platform/registry_tree.h"
#include "platform/store_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zevrin;

const char* const hive = "HKEY_CURRENT_USER";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string path_of(size_t depth, size_t variant) {
    std::string path = std::string("[") + hive;
    for (size_t i = 0; i < depth; ++i) {
        path += "\\";
        path += static_cast<char>('a' + (i * variant) % 3);
    }
    return path + "]\n";
}

// The text that the input's steps (an operation and a count each) describe, up to
// 64 kB: enough for keys beyond both limits (four lines of keys 510 levels deep make
// more than 1 MiB of text form), small enough for some runs a second.
std::string expand(std::string_view program) {
    std::string text;
    size_t branch = 0;
    for (size_t i = 0; i + 1 < program.size() && text.size() < (1u << 16); i += 2) {
        const auto count = static_cast<size_t>(static_cast<unsigned char>(program[i + 1]));
        switch (static_cast<unsigned char>(program[i]) % 7) {
        case 0: // deep: up to 2041 levels
            text += path_of(count * 8 + 1, count % 4 + 1);
            break;
        case 6: // deep branches of their own: many keys in few lines
            for (size_t k = 0; k < count; ++k) {
                text += "[" + std::string(hive) + "\\b" + std::to_string(branch++) +
                        path_of(510, 1).substr(1 + std::string(hive).size());
            }
            break;
        case 1: // wide in values
            for (size_t v = 0; v < count * 16; ++v) {
                text += "\"v" + std::to_string(v) + "\"=dword:" + std::to_string(v % 10) + "\n";
            }
            break;
        case 2: // deletions of some of them
            for (size_t v = 0; v < count * 16; v += 3) {
                text += "\"V" + std::to_string(v) + "\"=-\n";
            }
            break;
        case 3: // wide in keys
            for (size_t k = 0; k < count * 32; ++k) {
                text += "[" + std::string(hive) + "\\s" + std::to_string(count) + "\\" +
                        std::to_string(k) + "]\n";
            }
            break;
        case 4: // removal of a deep branch
            text += "[-" + path_of(count, count % 4 + 1).substr(1);
            break;
        default: { // a line of the input's own bytes
            const size_t start = std::min(i + 2, program.size());
            text += std::string(program.substr(start, count)) + "\n";
            i += count;
            break;
        }
        }
    }
    return text;
}

struct Shape {
    size_t depth = 0;
};

void measure(const RegistryKey& key, size_t depth, Shape& shape) {
    shape.depth = std::max(shape.depth, depth);
    for (const auto& [folded, sub] : key.subkeys()) {
        measure(*sub, depth + 1, shape);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = expand(std::string_view(reinterpret_cast<const char*>(data), size));
    const RegistryParse first = parse_registry_text(text, hive);
    Shape shape;
    measure(first.tree.root(), 0, shape);
    require(shape.depth <= registry_max_depth);
    require(first.limits_exceeded.empty() || first.damaged_lines > 0);
    const std::string written = format_registry_text(first.tree, hive);
    require(written.size() <= store_file_limit);
    // The round trip of large texts is fuzz_registry_file's; here it would take most of
    // the time (deep keys repeat their paths).
    if (written.size() > 65536) {
        return 0;
    }
    const RegistryParse second = parse_registry_text(written, hive);
    require(second.damaged_lines == 0);
    require(second.tree == first.tree);
    return 0;
}
