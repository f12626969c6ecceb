#pragma once

// What the fuzz targets share: a scratch directory of the process's own, and
// a way to stop with a message when a property that must hold does not.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

// Created on first use and removed at exit.
const std::filesystem::path& ScratchDirectory();

// Writes the bytes to name in the scratch directory; returns its path.
std::filesystem::path WriteScratch(const std::string& name, std::string_view bytes);

std::string ReadFile(const std::filesystem::path& path);

// A property that must hold for every input: prints why and aborts, which the
// fuzzer keeps as a crash and the replay reports as a failed test.
[[noreturn]] void Broken(const std::string& why);

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
