#include "output/source_images.h"

#include <unordered_map>

#include "model/error.h"
#include "model/field_codec.h"
#include "model/whole_file.h"

namespace marivel {

namespace fs = std::filesystem;

bool SourceImageExists(const std::string& originalImagePath) {
    const std::string path = Trim(originalImagePath);
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string PreparedImageName(int k) {
    return "slider" + std::to_string(k) + ".jpg";
}

int GeneratedItemCount(const TItemArray& items, const DesignTree& tree) {
    const int nodes = tree.count() - 1;
    const int count = static_cast<int>(items.size());
    const int walked = nodes < count ? nodes : count;
    return walked > 0 ? walked : 0;
}

void CheckOriginalsAreNotReplaced(const TItemArray& items, const std::vector<fs::path>& targets) {
    // The originals that exist, by identity, each with its first item.
    std::unordered_map<FileIdentity, std::size_t, FileIdentityHash> originals;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string original = Trim(items[k].OriginalImagePath);
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
        if (fs::path(original).lexically_normal() != target.lexically_normal())
            message += " is \"" + target.string() + "\", which";
        message +=
            " would be overwritten by a generated file. Rename or move the image, then choose it again "
            "for the item";
        throw Error(message);
    }
}

}  // namespace marivel
