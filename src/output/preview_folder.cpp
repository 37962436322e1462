// The preview folder beside the executable and the list of what the program
// put there. A missing source just leaves no copy, but its name is still
// recorded; a copy that fails while writing is an error, since the preview
// would show something else than what was built. Deletions never fail
// loudly.

#include <filesystem>
#include <string>
#include <unordered_set>

#include "model/error.h"
#include "model/file_error.h"
#include "model/whole_file.h"
#include "output/publishing_agent.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

void MakePreviewFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return;
    fs::create_directory(folder, ec);
    if (ec) throw Error(FileErrorMessage("Cannot create folder", folder, ec.value()));
}

}  // namespace

void PublishingAgent::CopyToPreview(const fs::path& filePath) {
    const fs::path folder = PreviewFolder();
    const fs::path name = filePath.filename();
    // Recorded first, so that emptying the folder also removes whatever a
    // failed copy might have left.
    PreviewFiles.push_back(name.string());
    std::error_code ec;
    if (!fs::exists(filePath, ec)) return;
    MakePreviewFolder(folder);
    // The preview is scratch: whole files, but not worth a sync each.
    CopyWholeFile(filePath, folder / name, Durability::Unsynced);
}

void PublishingAgent::PutInPreview(const std::string& name, std::string_view bytes) {
    const fs::path folder = PreviewFolder();
    PreviewFiles.push_back(name);
    MakePreviewFolder(folder);
    WriteWholeFile(folder / name, bytes, Durability::Unsynced);
}

void PublishingAgent::ClearPreview() {
    std::error_code ignored;
    const fs::path folder = PreviewFolder();
    // Every build adds its names again; each file is deleted once.
    std::unordered_set<std::string> removed;
    for (const std::string& name : PreviewFiles)
        if (removed.insert(name).second) fs::remove(folder / name, ignored);
    PreviewFiles.clear();
    // Removes the folder only when nothing else was put there, and never a
    // file or link that merely bears its name.
    if (fs::is_directory(fs::symlink_status(folder, ignored))) fs::remove(folder, ignored);
}

void PublishingAgent::CopyEngineFilesToPreview(const fs::path& folder) {
    // The engine script comes from where it ships (the program folder may be
    // read-only, with the generated files waiting in the user's folder).
    CopyToPreview(ShippedFolder() / EngineFiles.at(0));
    for (std::size_t k = 1; k < EngineFiles.size(); ++k) CopyToPreview(folder / EngineFiles[k]);
    // The generated files move; the engine script stays where it is shipped.
    std::error_code ignored;
    fs::remove(folder / EngineFiles.at(1), ignored);
    fs::remove(folder / EngineFiles.at(2), ignored);
}

void PublishingAgent::CopyResourceFiles(const fs::path& folder) {
    Display().setProgressMaximum(100);
    ActivityScope activity(Display(), "Copying Resource Files ... ...", true);
    for (const SliderItem& item : Items) {
        if (!item.ImageFile.empty()) CopyToPreview(folder / item.ImageFile);
        if (!item.DoubleImageFile.empty()) CopyToPreview(folder / item.DoubleImageFile);
    }
    Display().advanceProgress(50);
    Display().advanceProgress(50);
}

}  // namespace marivel
