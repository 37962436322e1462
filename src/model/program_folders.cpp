#include "model/program_folders.h"

#include <unistd.h>

namespace marivel {

namespace fs = std::filesystem;

ProgramFolders LocateProgramFolders(const fs::path& executableFolder, const fs::path& userData) {
    std::error_code ec;
    const bool installed = fs::exists(executableFolder / kInstalledMarker, ec);
    // Writing there also needs search permission on the folder.
    const bool writable = ::access(executableFolder.c_str(), W_OK | X_OK) == 0;
    if (!installed && writable) return ProgramFolders::Portable(executableFolder);
    // A folder that cannot be made shows as soon as the program writes its
    // first file there, with that file's name and the reason.
    fs::create_directories(userData, ec);
    return {executableFolder, userData};
}

}  // namespace marivel
