#pragma once

#include <filesystem>

namespace marivel {

// Where the document commands keep what they write for the user: the list of
// recently opened projects and the templates folder. Every command asks here,
// so moving them (for instance out of a program folder that cannot be
// written) is a change to this one place.
std::filesystem::path RecentFilesPath(const std::filesystem::path& programFolder);
std::filesystem::path TemplatesFolder(const std::filesystem::path& programFolder);

}  // namespace marivel
