#include "documents/document_places.h"

namespace marivel {

std::filesystem::path RecentFilesPath(const std::filesystem::path& programFolder) {
    return programFolder / "recentfile.dat";
}

std::filesystem::path TemplatesFolder(const std::filesystem::path& programFolder) {
    return programFolder / "templates";
}

}  // namespace marivel
