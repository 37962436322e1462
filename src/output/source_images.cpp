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
    std::unordered_map<FileIdentity, const fs::path*, FileIdentityHash> existing;
    for (const fs::path& target : targets)
        if (const auto id = IdentifyFile(target)) existing.emplace(*id, &target);
    if (existing.empty()) return;  // a first save into a new folder
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string original = Trim(items[k].OriginalImagePath);
        if (original.empty()) continue;
        const auto id = IdentifyFile(original);
        if (!id) continue;
        const auto hit = existing.find(*id);
        if (hit == existing.end()) continue;
        const fs::path& target = *hit->second;
        std::string message = "The original image \"" + original + "\" of item " + std::to_string(k + 1);
        if (fs::path(original).lexically_normal() != target.lexically_normal())
            message += " is \"" + target.string() + "\", which";
        message += " would be overwritten by a generated file. Rename or move the image, then choose it again "
                   "for the item";
        throw Error(message);
    }
}

}  // namespace marivel
