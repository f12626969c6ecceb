#include "fuzz/fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fuzz {

namespace {

struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        // In memory where the machine has it: the targets sync what they write.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "kr-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) dir = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
};

}  // namespace

const std::filesystem::path& ScratchDirectory() {
    static const Scratch scratch;
    return scratch.dir;
}

std::filesystem::path WriteScratch(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = ScratchDirectory() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Broken(const std::string& why) {
    std::fprintf(stderr, "fuzz: property broken: %s\n", why.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz
