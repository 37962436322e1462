#pragma once

#include <filesystem>

namespace marivel {

// Where the program reads what it ships and where it writes. A portable
// program folder (a build folder, a copy on a stick) is both. An installed
// one is only read: what the program writes then goes to the user's data
// folder, so a normal user can run it and a package keeps only its own files.
struct ProgramFolders {
    // The folder of the executable: the slider engine, help, samples and
    // the shipped templates.
    std::filesystem::path shipped;
    // The generated scripts between a build and a preview, the preview
    // folder, the recent-files list and the user's own templates.
    std::filesystem::path writable;

    static ProgramFolders Portable(const std::filesystem::path& folder) { return {folder, folder}; }
    bool IsPortable() const { return shipped == writable; }
};

// The file that marks a program folder as installed (by `cmake --install`
// or the package). Its presence alone counts.
inline constexpr char kInstalledMarker[] = "installed.txt";

// The folders of the program whose executable lies in executableFolder: that
// folder for both when the program may write into it and it is not marked as
// installed; otherwise the executable's folder is only read and userData
// (created when missing) takes what the program writes. An installed folder
// is left alone even when it could be written (the program run as root), so
// a package never finds files in its folder that it did not put there.
ProgramFolders LocateProgramFolders(const std::filesystem::path& executableFolder,
                                    const std::filesystem::path& userData);

}  // namespace marivel
