#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <ostream>

#include "documents/browser_detection.h"
#include "support/temp_dir.h"

namespace marivel {

inline void PrintTo(const BrowserNameAndPath& b, std::ostream* os) {
    *os << '{' << b.Name.toStdString() << ", " << b.Path.toStdString() << '}';
}

namespace test {

// A stand-in program: a shell script, executable or (to show that a file
// alone is not enough) not.
inline void MakeProgram(const std::filesystem::path& path, bool executable = true) {
    std::filesystem::create_directories(path.parent_path());
    WriteBytes(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

}  // namespace test
}  // namespace marivel
