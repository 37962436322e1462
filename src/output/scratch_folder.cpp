#include "output/scratch_folder.h"

#include <random>
#include <string>

#include "model/error.h"

namespace marivel {

ScratchFolder::ScratchFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw Error("Cannot find the temporary folder. " + ec.message());
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("marivel-" + std::to_string(random() % 1000000000000ULL));
        // create_directory answers false when the name is taken: try another.
        if (fs::create_directory(candidate, ec)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            path_ = std::move(candidate);
            return;
        }
        if (ec) break;
    }
    throw Error("Cannot create a scratch folder in \"" + base.string() + "\". " +
                (ec ? ec.message() : std::string("Too many name clashes")));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace marivel
