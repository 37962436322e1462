#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace marivel {

// The message for a failed file operation, e.g.
// Cannot create file "/x/y.mvl". Permission denied
// err 0 gives the first part alone.
std::string FileErrorMessage(const char* what, const std::filesystem::path& path, int err);
// The same with a reason of our own instead of the system's.
std::string FileErrorMessage(const char* what, const std::filesystem::path& path, std::string_view reason);

}  // namespace marivel
