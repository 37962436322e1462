#pragma once

#include <filesystem>

namespace marivel {

// Where the document commands keep what they write for the user: the list of
// recently opened projects and the templates folder, in the folder the
// program writes into (the user's data folder when the program folder is
// only read). The shipped templates lie in the templates folder of the
// program folder itself. Every command asks here.
std::filesystem::path RecentFilesPath(const std::filesystem::path& programFolder);
std::filesystem::path TemplatesFolder(const std::filesystem::path& programFolder);

}  // namespace marivel
