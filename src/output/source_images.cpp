#include "output/source_images.h"

#include <unordered_map>

#include "model/error.h"
#include "model/field_codec.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

fs::path SourceImagePath(const std::string& originalImagePath, const fs::path& projectFolder) {
    const fs::path path(Trim(originalImagePath));
    if (path.empty() || path.is_absolute() || projectFolder.empty()) return path;
    return projectFolder / path;
}

bool SourceImageExists(const std::string& originalImagePath, const fs::path& projectFolder) {
    const fs::path path = SourceImagePath(originalImagePath, projectFolder);
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

namespace {

fs::path AbsoluteFolder(const fs::path& folder) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : folder, ec);
    return ec ? fs::path() : absolute.lexically_normal();
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    if (a == b) return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

}  // namespace

ImagePathRebase::ImagePathRebase(const fs::path& fromFolder, const fs::path& toFolder)
    : from_(AbsoluteFolder(fromFolder)), to_(AbsoluteFolder(toFolder)) {
    if (from_.empty() || to_.empty() || SameFolder(from_, to_)) {
        from_.clear();
        to_.clear();
    }
}

std::string ImagePathRebase::operator()(const std::string& originalImagePath) const {
    const fs::path relative(Trim(originalImagePath));
    if (relative.empty() || relative.is_absolute() || from_.empty()) return originalImagePath;
    std::error_code ec;
    const fs::path file = (from_ / relative).lexically_normal();
    if (!fs::is_regular_file(file, ec)) return originalImagePath;
    // In or below the new folder: every step of the new relative path goes down.
    const fs::path below = file.lexically_relative(to_);
    if (!below.empty() && *below.begin() != "..") return below.string();
    return file.string();
}

std::string RebasedImagePath(const std::string& originalImagePath, const fs::path& fromFolder,
                             const fs::path& toFolder) {
    return ImagePathRebase(fromFolder, toFolder)(originalImagePath);
}

std::string PreparedImageName(int k) {
    return "slider" + std::to_string(k) + ".jpg";
}

std::string DoubleDensityImageName(int k) {
    return "slider" + std::to_string(k) + "@2x.jpg";
}

std::string KeptDoubleImageName(const std::string& imageFile, const fs::path& folder) {
    if (imageFile.empty() || imageFile.find('/') != std::string::npos) return "";
    const std::size_t dot = imageFile.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot == 0 ? imageFile.size() : dot;
    const std::string name = imageFile.substr(0, stem) + "@2x" + imageFile.substr(stem);
    std::error_code ec;
    return fs::is_regular_file(folder / name, ec) ? name : "";
}

int GeneratedItemCount(const SliderItemList& items, const DesignTree& tree) {
    const int nodes = tree.count() - 1;
    const int count = static_cast<int>(items.size());
    const int walked = nodes < count ? nodes : count;
    return walked > 0 ? walked : 0;
}

void CheckOriginalsAreNotReplaced(const SliderItemList& items, const fs::path& projectFolder,
                                  const std::vector<fs::path>& targets) {
    // The originals that exist, by identity, each with its first item.
    std::unordered_map<FileIdentity, std::size_t, FileIdentityHash> originals;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const fs::path original = SourceImagePath(items[k].OriginalImagePath, projectFolder);
        if (original.empty()) continue;
        if (const auto id = IdentifyFile(original)) originals.emplace(*id, k);
    }
    if (originals.empty()) return;
    for (const fs::path& target : targets) {
        const auto id = IdentifyFile(target);
        if (!id) continue;
        const auto hit = originals.find(*id);
        if (hit == originals.end()) continue;
        const std::size_t k = hit->second;
        const std::string original = Trim(items[k].OriginalImagePath);
        std::string message = "The original image \"" + original + "\" of item " + std::to_string(k + 1);
        if (SourceImagePath(original, projectFolder).lexically_normal() != target.lexically_normal())
            message += " is \"" + target.string() + "\", which";
        message +=
            " would be overwritten by a generated file. Rename or move the image, then choose it again "
            "for the item";
        throw Error(message);
    }
}

}  // namespace marivel
