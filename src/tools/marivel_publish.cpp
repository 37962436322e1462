// marivel-publish: publishes a project without the editor, exactly as the
// editor's Save does, for scripts, builds and the browser tests.

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/error.h"
#include "model/folder_lock.h"
#include "model/memory_tree.h"
#include "output/memory_gate.h"
#include "output/publishing_agent.h"
#include "output/scratch_folder.h"
#include "output/script_text.h"

namespace {

namespace fs = std::filesystem;
using marivel::Error;

constexpr const char* kUsage =
    "Usage: marivel-publish PROJECT.mvl [--out FOLDER]\n"
    "\n"
    "Publishes a Marivel project without the editor, as saving it in the editor\n"
    "does: prepares every item's image and writes the page (NAME.html), the\n"
    "scripts tessaline.js, tessalinecfg.js and tessaline.css, the prepared images\n"
    "(slider0.jpg, ...), the project file (NAME.mvl) and the publish report\n"
    "(NAME_PublishReport.txt) into the project's folder, or into FOLDER.\n"
    "\n"
    "An item whose original image is missing keeps the prepared image of its last\n"
    "save, taken from the project's folder. The slider engine tessaline.js is taken\n"
    "from the folder of this program.\n"
    "\n"
    "Relative image paths are read from the project's folder. Published into\n"
    "another folder, the project names its images so that they are still found:\n"
    "relative to that folder when they lie inside it, else by their full path.\n"
    "\n"
    "Saves into one folder take turns: while another save into the same folder\n"
    "runs, from the editor or another marivel-publish, the command waits and says\n"
    "so on the error output.\n"
    "\n"
    "Prints one line per item and the path of the report. Exits with 0 on success,\n"
    "1 on any error (refused project file, unreadable image, unwritable folder)\n"
    "and 2 on wrong arguments.\n"
    "\n"
    "Options:\n"
    "  --out FOLDER  publish into FOLDER (created when missing)\n"
    "  --help        show this text\n";

struct Arguments {
    fs::path project;
    std::optional<fs::path> out;
    bool help = false;
};

// Throws std::invalid_argument with the complaint.
Arguments ParseArguments(int argc, char** argv) {
    Arguments args;
    bool haveProject = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            args.help = true;
        } else if (arg == "--out") {
            if (i + 1 >= argc) throw std::invalid_argument("--out needs a folder");
            args.out = fs::path(argv[++i]);
        } else if (arg.rfind("--out=", 0) == 0) {
            args.out = fs::path(arg.substr(6));
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw std::invalid_argument("unknown option " + arg);
        } else if (haveProject) {
            throw std::invalid_argument("more than one project given");
        } else {
            args.project = arg;
            haveProject = true;
        }
    }
    if (!args.help && !haveProject) throw std::invalid_argument("no project file given");
    return args;
}

fs::path ProgramFolder(const char* argv0) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
    return fs::weakly_canonical(fs::absolute(argv0)).parent_path();
}

// Nobody watches a progress bar here, but a run that waits for another
// save into the folder says so: else it looks hung.
class WaitNotice final : public marivel::ActivityDisplay {
public:
    explicit WaitNotice(fs::path folder) : folder_(std::move(folder)) {}
    void setHint(const std::string& text) override {
        if (text == marivel::kWaitingForFolderHint)
            std::cerr << "marivel-publish: waiting for another save into \"" << folder_.string()
                      << "\" to finish" << std::endl;
    }
    void setBusy(bool) override {}
    void setProgressMaximum(int) override {}
    void advanceProgress(int) override {}
    void resetProgress() override {}

private:
    fs::path folder_;
};

void PrintItems(const marivel::PublishingAgent& agent, const marivel::DesignTree& tree) {
    for (std::size_t k = 0; k < agent.Items.size(); ++k) {
        const marivel::TItemData& item = agent.Items[k];
        std::cout << "item " << k + 1 << ": ";
        if (tree.caption(static_cast<int>(k) + 1) == "Item") {
            std::cout << item.ImageFile << " " << item.ImageWidth << " x " << item.ImageHeight;
        } else {
            std::cout << "Warning: Original image not found. \"" << item.OriginalImagePath << "\"";
            if (!item.ImageFile.empty()) std::cout << " (keeps " << item.ImageFile << ")";
        }
        std::cout << "\n";
    }
}

void Publish(const Arguments& args, const fs::path& programFolder) {
    const fs::path project = fs::absolute(args.project);
    if (!fs::is_regular_file(project)) throw Error("Cannot open the project \"" + project.string() + "\"");

    // The engine script is read where it ships; the generated scripts and
    // prepared images pass through a private folder, so parallel runs, a
    // running editor and a read-only installation never get in the way.
    const fs::path engine = programFolder / "tessaline.js";
    if (std::ifstream probe(engine, std::ios::binary); !probe)
        throw Error("The slider engine \"" + engine.string() + "\" cannot be read. " + std::strerror(errno));
    marivel::ScratchFolder work;
    std::error_code ec;

    const fs::path folder = args.out ? fs::absolute(*args.out) : project.parent_path();
    WaitNotice display(folder);
    marivel::PublishingAgent agent(marivel::ProgramFolders{programFolder, work.path()}, &display);
    marivel::MemoryDesignTree tree("Marivel");
    switch (agent.LoadProject(project, tree)) {
        case marivel::LoadResult::Loaded:
            break;
        case marivel::LoadResult::WrongProduct:
            throw Error("This file wasn't saved by Marivel 1.1, open failed!");
        case marivel::LoadResult::NoProject:
            throw Error("The file \"" + project.string() + "\" holds no Marivel project");
    }
    // As when the editor opens a project: the images prepared by its last
    // save stand in for originals that are gone.
    agent.CopyResourceFiles(project.parent_path());

    fs::create_directories(folder, ec);
    if (ec) throw Error("Cannot create the folder \"" + folder.string() + "\". " + ec.message());
    agent.SaveAndPublish(folder, project.filename().string(), tree);
    PrintItems(agent, tree);
    std::cout
        << "report: "
        << (folder / (marivel::PublishBaseName(project.filename().string()) + "_PublishReport.txt")).string()
        << "\n";
    agent.ClearPreview();
}

}  // namespace

int main(int argc, char** argv) {
    marivel::ReturnLargeBlocksToTheSystem();
    Arguments args;
    try {
        args = ParseArguments(argc, argv);
    } catch (const std::invalid_argument& e) {
        std::cerr << "marivel-publish: " << e.what() << " (see marivel-publish --help)\n";
        return 2;
    }
    if (args.help) {
        std::cout << kUsage;
        return 0;
    }
    try {
        Publish(args, ProgramFolder(argv[0]));
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "marivel-publish: " << e.what() << "\n";
        return 1;
    }
}
