#include "documents/document_places.h"

#include <string>
#include <system_error>

#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

// A name taken by anything, a broken link included.
bool Taken(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

}  // namespace

fs::path RecentFilesPath(const fs::path& programFolder) {
    return programFolder / "recentfile.dat";
}

fs::path TemplatesFolder(const fs::path& programFolder) {
    return programFolder / "templates";
}

fs::path SiteFolderOfPictures(const SliderItemList& items, const fs::path& projectFolder) {
    for (const SliderItem& item : items) {
        const fs::path picture = SourceImagePath(item.OriginalImagePath, projectFolder);
        if (picture.empty()) continue;
        std::error_code ec;
        const fs::path folder = fs::absolute(picture, ec).lexically_normal().parent_path();
        if (ec || !fs::is_directory(folder, ec)) return {};
        const fs::path parent = folder.parent_path();
        if (IndexPageIn(folder).empty() && parent != folder && !IndexPageIn(parent).empty()) return parent;
        return folder;
    }
    return {};
}

fs::path IndexPageIn(const fs::path& folder) {
    for (const char* name : {"index.html", "index.htm"})
        if (IsFile(folder / name)) return folder / name;
    return {};
}

fs::path ProposedProjectFile(const fs::path& folder) {
    // Past this many sliders in one folder the name is the user's to choose;
    // the dialog still asks before anything is replaced.
    constexpr int kLastNumber = 999;
    for (int n = 1; n <= kLastNumber; ++n) {
        const std::string base = n == 1 ? std::string("slider") : "slider" + std::to_string(n);
        if (!Taken(folder / (base + ".mvl")) && !Taken(folder / (base + ".html")) &&
            !Taken(folder / (base + "_PublishReport.txt")))
            return folder / (base + ".mvl");
    }
    return folder / "slider.mvl";
}

}  // namespace marivel
