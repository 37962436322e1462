#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/activity_display.h"
#include "model/design_tree.h"
#include "model/image_quality.h"
#include "model/program_folders.h"
#include "model/records.h"

namespace marivel {

// What LoadProject did with a file.
enum class LoadResult {
    Loaded,        // the model holds the file's project; the tree was rebuilt
    WrongProduct,  // the product name line is not ours: nothing changed
    NoProject,     // the file ends before the project's parameters: nothing changed
};

// The files generation writes beside the engine script, as EngineFiles[1]
// and EngineFiles[2] name them.
inline constexpr const char* kConfigScriptFile = "tessalinecfg.js";
inline constexpr const char* kStyleSheetFile = "tessaline.css";

// What the last image pass of a generation did with the sources it found.
struct ImagePassCounts {
    int decoded = 0;    // prepared from the source photo
    int fromCache = 0;  // taken whole from the cache of prepared images
};

// The document agent: owns the slider record, the items, the engine file
// names and the preview bookkeeping, and reads and writes the project file.
// What it writes for the web site (generation, the preview folder,
// publishing) is PublishingAgent's, in the output library above this one. It
// never shows a message; failures are marivel::Error exceptions.
class DocumentAgent {
public:
    // folders says where the program reads what it ships (tessaline.js) and
    // where it writes (the generated scripts between a build and a preview,
    // the preview folder). display receives the bottom-line activity (may be
    // null). A single folder serves for both.
    explicit DocumentAgent(ProgramFolders folders, ActivityDisplay* display = nullptr);
    explicit DocumentAgent(const std::filesystem::path& programFolder, ActivityDisplay* display = nullptr)
        : DocumentAgent(ProgramFolders::Portable(programFolder), display) {}

    SliderSettings AppletData;
    SliderItemList Items;
    std::vector<std::string> EngineFiles;
    std::vector<std::string> PreviewFiles;
    std::string Separator;
    std::string FileVersion;
    // The folder of the project file. An item's relative OriginalImagePath
    // names a file from there, so a project folder can move whole and the
    // shipped projects work wherever they are installed. Empty while the
    // project is untitled: such paths are then read from the current folder.
    // Set by LoadProject and by a completed SaveAndPublish, emptied by
    // ResetProject.
    std::filesystem::path ProjectFolder;
    ImagePassCounts LastImagePass;
    // How generation resizes the images and which copies it makes; the
    // editor sets it from the user's settings, marivel-publish from them and
    // its options.
    ImageQuality Quality;

    // The folder the program writes beside: the executable's own when it is
    // portable, else the user's data folder.
    const std::filesystem::path& ProgramFolder() const { return folders_.writable; }
    // What ships with the program: the engine script, help, samples and the
    // shipped templates.
    const std::filesystem::path& ShippedFolder() const { return folders_.shipped; }
    const ProgramFolders& Folders() const { return folders_; }
    // This run's own folder, where generation writes the configuration
    // script and the stylesheet, and which holds the preview folder: the
    // writable program folder unless SetWorkFolder named another. A running
    // editor has one of its own, so two editors (or one and a killed one's
    // leftovers) never mix their pictures and scripts.
    const std::filesystem::path& WorkFolder() const { return work_.empty() ? folders_.writable : work_; }
    void SetWorkFolder(std::filesystem::path folder) { work_ = std::move(folder); }
    std::filesystem::path PreviewFolder() const { return WorkFolder() / "preview"; }
    // Where engine file k is taken from: the engine script where it ships,
    // the generated ones where the generation writes them.
    std::filesystem::path EngineFileSource(std::size_t k) const;
    ActivityDisplay& Display() const { return *display_; }
    void SetDisplay(ActivityDisplay* display);

    // --- records -----------------------------------------------------------
    void ResetProject();
    SliderSettings GetAppletData() const { return AppletData; }
    void SetAppletData(const SliderSettings& data) { AppletData = data; }
    SliderItem GetItem(int index) const;
    void SetItem(const SliderItem& item, int index);
    static SliderItem MakeNewItem();
    void InsertItem(int index, const SliderItem& item);
    void DeleteItem(int index);
    void SwapWithPrevious(int index);
    // Moves the count records from index `from` so that the first of them
    // stands at `to` afterwards; the other records keep their order, as a
    // run of SwapWithPrevious calls would leave them. Out-of-range
    // arguments change nothing.
    void MoveItems(int from, int count, int to);
    void RefreshLevels(const DesignTree& tree);

    static FieldStrings AppletDataToStrings(const SliderSettings& data);
    static SliderSettings StringsToAppletData(const FieldStrings& strings);
    static FieldStrings ItemToStrings(const SliderItem& item);
    static SliderItem StringsToItem(const FieldStrings& strings);

    // --- project file ------------------------------------------------------
    // Throws Error, naming the field, when a value holds the separator or a
    // line break, which the file cannot keep. SaveProject checks first.
    void CheckProjectCanBeStored() const;
    void SaveProject(const std::filesystem::path& path);
    // The caller has reduced the tree to its root node. On Loaded the model
    // holds the file's project and the tree one node per item. On any other
    // result, and when an error is thrown, model and tree are as they were.
    LoadResult LoadProject(const std::filesystem::path& path, DesignTree& tree);
    // Adds one node captioned "Image" per item under the nodes its Level
    // names; throws Error (and adds nothing) on a Level that is no integer.
    void RebuildTreeFromLevels(DesignTree& tree) const;

private:
    ProgramFolders folders_;
    std::filesystem::path work_;
    SilentActivityDisplay silent_;
    ActivityDisplay* display_;
};

}  // namespace marivel
