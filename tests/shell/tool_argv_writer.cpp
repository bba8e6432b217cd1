// A tool for the tools menu's tests: writes the arguments it was started with,
// each followed by a NUL byte, to the file that ZEVRIN_ARGV_FILE names. The file
// appears whole (written aside, then renamed).

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* target = std::getenv("ZEVRIN_ARGV_FILE");
    if (target == nullptr) {
        return 1;
    }
    const std::string temp = std::string(target) + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        std::fwrite(argv[i], 1, std::string(argv[i]).size() + 1, f);
    }
    std::fclose(f);
    return std::rename(temp.c_str(), target) == 0 ? 0 : 1;
}
