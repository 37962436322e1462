#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/design_tree.h"
#include "model/records.h"

namespace marivel {

// The file an item's original image is read from: its path trimmed and,
// when relative, taken from the project's folder (empty: the current
// folder). Every reader of an original image asks here. Empty for a blank
// path.
std::filesystem::path SourceImagePath(const std::string& originalImagePath,
                                      const std::filesystem::path& projectFolder);

// True when the item's original image is an existing regular file: such an
// item is prepared anew by the next generation.
bool SourceImageExists(const std::string& originalImagePath, const std::filesystem::path& projectFolder);

// The original image path a project saved into toFolder keeps, when its
// relative paths were read from fromFolder so far (empty: the current
// folder): a relative path that names an existing file is written so that it
// still names that file, relative to toFolder when the file lies in or below
// it, else as an absolute path. Absolute paths, blank ones, those that name
// no file and any path when both folders are the same stay as they are.
std::string RebasedImagePath(const std::string& originalImagePath, const std::filesystem::path& fromFolder,
                             const std::filesystem::path& toFolder);

// RebasedImagePath for a whole project: the two folders are worked out once,
// not for every item.
class ImagePathRebase {
public:
    ImagePathRebase(const std::filesystem::path& fromFolder, const std::filesystem::path& toFolder);
    std::string operator()(const std::string& originalImagePath) const;

private:
    // Absolute and normal; both empty when no path changes (the same
    // folder, or one that cannot be made absolute).
    std::filesystem::path from_, to_;
};

// The name generation gives the prepared image of the item at position k.
std::string PreparedImageName(int k);
// ... and its copy at twice the size, for screens of high density.
std::string DoubleDensityImageName(int k);
// The double-density copy an item that keeps its prepared image (its photo
// is gone) keeps beside it: the kept name with "@2x" before its extension
// ("slider3.jpg" gives "slider3@2x.jpg"), when that file is in the folder
// the kept image is read from; empty otherwise. The project file does not
// store it, so a project opened again keeps it too.
std::string KeptDoubleImageName(const std::string& imageFile, const std::filesystem::path& folder);

// How many items the image pass walks: one per tree node below the root.
int GeneratedItemCount(const SliderItemList& items, const DesignTree& tree);

// Throws Error, before anything is written, when one of the files a save or
// build is about to write is the very file some item's original image is:
// the photo would be replaced by its scaled copy, and shrink again with
// every save. Files are compared by identity, not by how their paths are
// spelled. The message names the file and says to rename or move it.
void CheckOriginalsAreNotReplaced(const SliderItemList& items, const std::filesystem::path& projectFolder,
                                  const std::vector<std::filesystem::path>& targets);

}  // namespace marivel
