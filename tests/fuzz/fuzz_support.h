#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace marivel::fuzz {

// A folder of this process's own for the files a target reads and writes,
// removed when the process ends normally. It is in memory where the system
// offers that: saves sync their files, which on a disk costs more than the
// whole rest of an input's work.
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::error_code ec;
        const std::filesystem::path memory = "/dev/shm";
        const bool inMemory =
            std::filesystem::is_directory(memory, ec) && ::access(memory.c_str(), W_OK) == 0;
        const auto base = inMemory ? memory : std::filesystem::temp_directory_path();
        auto dir = base / ("marivel-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return dir;
    }();
    return folder;
}

inline void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A broken promise: say which, and crash so the fuzzer keeps the input.
[[noreturn]] inline void Broken(std::string_view what) {
    std::fprintf(stderr, "broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Require(bool condition, std::string_view what) {
    if (!condition) Broken(what);
}

}  // namespace marivel::fuzz
