#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace marivel {

// What the editor knows of its project file as it read or last wrote it:
// size, modification time and an XXH64 of the bytes. Another program's save
// changes at least one of them; a copy with the same time and size but
// other bytes still differs in the hash.
struct ProjectFileStamp {
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t hash = 0;
    bool operator==(const ProjectFileStamp&) const = default;
};

// The stamp of the regular file at path as it is now; nothing when there is
// no regular file there (gone, a folder, a pipe) or it cannot be read.
std::optional<ProjectFileStamp> StampProjectFile(const QString& path);

}  // namespace marivel
