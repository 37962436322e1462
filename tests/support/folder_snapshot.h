#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

namespace marivel::test {

// Every entry under a folder, by its path below the folder, with its size
// (0 for what is no regular file) and time: two snapshots that compare
// equal show that nothing there was written.
using FolderSnapshot = std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>>;

inline FolderSnapshot Snapshot(const std::filesystem::path& root) {
    FolderSnapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        files[entry.path().lexically_relative(root).string()] = {
            entry.is_regular_file() ? entry.file_size() : 0, entry.last_write_time()};
    return files;
}

}  // namespace marivel::test
