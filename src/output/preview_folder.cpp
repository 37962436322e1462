// The preview folder beside the executable and the list of what the program
// put there. Copies and deletions never fail loudly: a missing source just
// leaves no copy, but its name is still recorded.

#include <filesystem>
#include <string>

#include "model/agent.h"

namespace marivel {

namespace fs = std::filesystem;

void TkeltAppletAgent::CopyToPreview(const fs::path& filePath) {
    std::error_code ignored;
    const fs::path folder = PreviewFolder();
    if (!fs::exists(folder, ignored)) fs::create_directory(folder, ignored);
    const fs::path name = filePath.filename();
    fs::copy_file(filePath, folder / name, fs::copy_options::overwrite_existing, ignored);
    PreviewFiles.push_back(name.string());
}

void TkeltAppletAgent::ClearPreview() {
    std::error_code ignored;
    const fs::path folder = PreviewFolder();
    for (const std::string& name : PreviewFiles) fs::remove(folder / name, ignored);
    PreviewFiles.clear();
    // Removes the folder only when nothing else was put there.
    fs::remove(folder, ignored);
}

void TkeltAppletAgent::CopyEngineFilesToPreview(const fs::path& folder) {
    for (const std::string& name : EngineFiles) CopyToPreview(folder / name);
    // The generated files move; the engine script stays where it is shipped.
    std::error_code ignored;
    fs::remove(folder / EngineFiles.at(1), ignored);
    fs::remove(folder / EngineFiles.at(2), ignored);
}

void TkeltAppletAgent::CopyResourceFiles(const fs::path& folder) {
    Display().setProgressMaximum(100);
    ActivityScope activity(Display(), "Copying Resource Files ... ...", true);
    for (const TItemData& item : Items)
        if (!item.ImageFile.empty()) CopyToPreview(folder / item.ImageFile);
    Display().advanceProgress(50);
    Display().advanceProgress(50);
}

}  // namespace marivel
