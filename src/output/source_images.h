#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/design_tree.h"
#include "model/records.h"

namespace marivel {

// True when the item's original image (its path trimmed) is an existing
// regular file: such an item is prepared anew by the next generation.
bool SourceImageExists(const std::string& originalImagePath);

// The name generation gives the prepared image of the item at position k.
std::string PreparedImageName(int k);

// How many items the image pass walks: one per tree node below the root.
int GeneratedItemCount(const TItemArray& items, const DesignTree& tree);

// Throws Error, before anything is written, when one of the files a save or
// build is about to write is the very file some item's original image is:
// the photo would be replaced by its scaled copy, and shrink again with
// every save. Files are compared by identity, not by how their paths are
// spelled. The message names the file and says to rename or move it.
void CheckOriginalsAreNotReplaced(const TItemArray& items, const std::vector<std::filesystem::path>& targets);

}  // namespace marivel
