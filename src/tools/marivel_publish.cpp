// marivel-publish: publishes a project without the editor, exactly as the
// editor's Save does, for scripts, builds and the browser tests.

#include <cerrno>
#include <chrono>
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
#include "model/image_quality.h"
#include "model/memory_tree.h"
#include "model/save_lock.h"
#include "output/memory_gate.h"
#include "output/publish_checks.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "output/scratch_folder.h"
#include "output/script_text.h"
#include "upload/server_address.h"
#include "upload/upload_command.h"

namespace {

namespace fs = std::filesystem;
using marivel::Error;

constexpr const char* kUsage =
    "Usage: marivel-publish PROJECT.mvl [--out FOLDER] [--wait SECONDS] [--force]\n"
    "                       [--resize=exact|smooth] [--density=1|2] [--check]\n"
    "                       [--upload URL [--dry-run] [--check-server] [--ca-file FILE]\n"
    "                        [--allow-unencrypted]]\n"
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
    "Saves into one folder take turns: while another save of yours into the same\n"
    "folder runs, from the editor or another marivel-publish, the command waits\n"
    "and says so on the error output; after SECONDS (60 unless --wait says) it\n"
    "gives up, writing nothing.\n"
    "\n"
    "The project file is written over exactly the file given (into FOLDER under\n"
    "the same name). When the folder holds another project whose last publish\n"
    "(as its _PublishReport.txt tells) wrote files this one would replace, the\n"
    "command names them and writes nothing, unless --force is given.\n"
    "\n"
    "Images are resized and copied as chosen in the editor's Option menu, Image\n"
    "Quality (stored in the user's settings); --resize and --density override that.\n"
    "\n"
    "Prints one line per item and the path of the report. Exits with 0 on success,\n"
    "1 on any error (refused project file, unreadable image, unwritable folder)\n"
    "and 2 on wrong arguments.\n"
    "\n"
    "With --upload, the published files a web site needs (the page, scripts,\n"
    "stylesheet and images; not the project file or the report) then go to the\n"
    "server folder URL: sftp://user@host[:port]/path, ftps://user@host/path\n"
    "(explicit TLS), https://host/path (WebDAV), or ftp:// with\n"
    "--allow-unencrypted. Only new and changed files go up, pictures first and the\n"
    "page last, each under a temporary name renamed over the old file; files an\n"
    "earlier upload put there that this save no longer publishes are removed last,\n"
    "and no other file. Passwords come from MARIVEL_UPLOAD_PASSWORD or ~/.netrc;\n"
    "SFTP also uses the SSH agent and ~/.ssh keys, and checks ~/.ssh/known_hosts.\n"
    "Exits with 0 when everything is on the server, 3 when the upload changed\n"
    "nothing there, 4 when it stopped after replacing some files (it says which).\n"
    "\n"
    "Options:\n"
    "  --out FOLDER       publish into FOLDER (created when missing)\n"
    "  --wait SECONDS     wait at most SECONDS for another save into the folder\n"
    "                     (a whole number, 0 to 86400; default 60)\n"
    "  --force            replace files another project in the folder published\n"
    "  --resize=exact     resize by exact pixels (nearest neighbour), as before\n"
    "  --resize=smooth    resize smoothly (best for photos)\n"
    "  --density=1        one copy per item, at the slider width\n"
    "  --density=2        also a copy at twice the size (NAME@2x.jpg) for\n"
    "                     high-density screens, where the original is large enough\n"
    "  --check            write nothing; list what a visitor would suffer from\n"
    "                     (missing, enlarged or repeated pictures, pictures with\n"
    "                     no description, bad or javascript: links, a first view\n"
    "                     above 1 MB, the default slider name), one line each;\n"
    "                     exits with 1 when there is any, 0 when there is none\n"
    "  --upload URL       upload the published files to the server folder URL\n"
    "  --dry-run          with --upload: print what would go up and be removed\n"
    "  --check-server     with --upload: compare with the server's listing too\n"
    "  --ca-file FILE     trust the certificate authorities in FILE (TLS)\n"
    "  --allow-unencrypted  allow ftp://, which sends passwords readable\n"
    "  --help             show this text\n";

struct Arguments {
    fs::path project;
    std::optional<fs::path> out;
    int waitSeconds = 60;
    bool force = false;
    std::optional<marivel::ResizeMode> resize;
    std::optional<marivel::Density> density;
    bool help = false;
    bool check = false;
    std::optional<std::string> uploadUrl;
    bool dryRun = false, checkServer = false, allowUnencrypted = false;
    std::optional<fs::path> caFile;
    std::optional<marivel::UploadCommand> upload;  // made of the five above
};

constexpr int kLongestWait = 24 * 60 * 60;

int WaitSeconds(const std::string& text) {
    const bool digits =
        !text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(text) > kLongestWait)
        throw std::invalid_argument("--wait needs a whole number of seconds from 0 to " +
                                    std::to_string(kLongestWait) + ", not \"" + text + "\"");
    return std::stoi(text);
}

// The value of an option given as "--name=value" or "--name value"; empty
// when `arg` is another option.
std::optional<std::string> OptionValue(const std::string& name, int argc, char** argv, int& i) {
    const std::string arg = argv[i];
    if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
    if (arg != name) return std::nullopt;
    if (i + 1 >= argc) throw std::invalid_argument(name + " needs a value");
    return std::string(argv[++i]);
}

// The options of --upload. The server address is checked once all are
// read, so a wrong one stops the run before anything is published.
bool ParseUploadOption(Arguments& args, int argc, char** argv, int& i) {
    std::optional<std::string>& uploadUrl = args.uploadUrl;
    const std::string arg = argv[i];
    if (const auto url = OptionValue("--upload", argc, argv, i)) {
        uploadUrl = *url;
    } else if (const auto file = OptionValue("--ca-file", argc, argv, i)) {
        args.caFile = fs::absolute(*file);
    } else if (arg == "--dry-run") {
        args.dryRun = true;
    } else if (arg == "--check-server") {
        args.checkServer = true;
    } else if (arg == "--allow-unencrypted") {
        args.allowUnencrypted = true;
    } else {
        return false;
    }
    return true;
}

void CheckUploadOptions(Arguments& args) {
    if (!args.uploadUrl) {
        if (args.dryRun || args.checkServer || args.caFile || args.allowUnencrypted)
            throw std::invalid_argument(
                "--dry-run, --check-server, --ca-file and --allow-unencrypted go with --upload");
        return;
    }
    if (args.check) throw std::invalid_argument("--check writes nothing, so it does not go with --upload");
    marivel::UploadCommand command;
    try {
        command.address = marivel::ParseServerAddress(*args.uploadUrl);
    } catch (const Error& e) {
        throw std::invalid_argument(e.what());
    }
    if (command.address.protocol == marivel::Protocol::Ftp && !args.allowUnencrypted)
        throw std::invalid_argument(
            "ftp:// sends the password and files unencrypted; use sftp:// or ftps://, "
            "or give --allow-unencrypted");
    command.dryRun = args.dryRun;
    command.checkServer = args.checkServer;
    command.allowUnencrypted = args.allowUnencrypted;
    command.caFile = args.caFile.value_or(fs::path());
    args.upload = command;
}

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
        } else if (arg == "--wait") {
            if (i + 1 >= argc) throw std::invalid_argument("--wait needs a number of seconds");
            args.waitSeconds = WaitSeconds(argv[++i]);
        } else if (arg.rfind("--wait=", 0) == 0) {
            args.waitSeconds = WaitSeconds(arg.substr(7));
        } else if (arg == "--check") {
            args.check = true;
        } else if (arg == "--force") {
            args.force = true;
        } else if (const auto resize = OptionValue("--resize", argc, argv, i)) {
            args.resize = marivel::ParseResizeMode(*resize);
            if (!args.resize)
                throw std::invalid_argument("--resize takes exact or smooth, not \"" + *resize + "\"");
        } else if (const auto density = OptionValue("--density", argc, argv, i)) {
            args.density = marivel::ParseDensity(*density);
            if (!args.density)
                throw std::invalid_argument("--density takes 1 or 2, not \"" + *density + "\"");
        } else if (ParseUploadOption(args, argc, argv, i)) {
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
    CheckUploadOptions(args);
    return args;
}

fs::path ProgramFolder(const char* argv0) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
    return fs::weakly_canonical(fs::absolute(argv0)).parent_path();
}

// Nobody watches a progress bar here, but a run that waits for another
// save into the folder says so: else it looks hung. It waits as long as
// --wait allows.
class WaitNotice final : public marivel::ActivityDisplay {
public:
    WaitNotice(fs::path folder, int waitSeconds) : folder_(std::move(folder)), waitSeconds_(waitSeconds) {}
    bool keepWaiting(const std::string&, std::chrono::milliseconds waited) override {
        return waited < std::chrono::seconds(waitSeconds_);
    }
    void setHint(const std::string& text) override {
        if (text == marivel::kWaitingForFolderHint)
            std::cerr << "marivel-publish: waiting for another save into \"" << folder_.string()
                      << "\" to finish" << std::endl;
        if (text.rfind(marivel::kNoTurnsHint, 0) == 0) std::cerr << "marivel-publish: " << text << std::endl;
    }
    void setBusy(bool) override {}
    void setProgressMaximum(int) override {}
    void advanceProgress(int) override {}
    void resetProgress() override {}

private:
    fs::path folder_;
    int waitSeconds_;
};

// Files another project in the folder published last are not this run's to
// replace: that project's page would then show this project's slider.
void RefuseOtherProjectsFiles(const marivel::PublishPlan& plan) {
    const std::vector<marivel::ForeignFiles> foreign = marivel::FilesOfOtherProjects(plan);
    if (foreign.empty()) return;
    std::string message =
        "Publishing into \"" + plan.folder.string() + "\" would replace files of another project:";
    for (const marivel::ForeignFiles& other : foreign) {
        message += " \"" + other.project + "\" published";
        for (std::size_t k = 0; k < other.files.size(); ++k) message += (k ? ", " : " ") + other.files[k];
        message += ";";
    }
    message.back() = '.';
    throw Error(message + " Nothing was written. Publish into another folder with --out, or give --force");
}

void PrintItems(const marivel::PublishingAgent& agent, const marivel::DesignTree& tree) {
    for (std::size_t k = 0; k < agent.Items.size(); ++k) {
        const marivel::SliderItem& item = agent.Items[k];
        std::cout << "item " << k + 1 << ": ";
        if (tree.caption(static_cast<int>(k) + 1) == "Item") {
            std::cout << item.ImageFile << " " << item.ImageWidth << " x " << item.ImageHeight;
            if (!item.DoubleImageFile.empty()) std::cout << " and " << item.DoubleImageFile;
        } else {
            std::cout << "Warning: Original image not found. \"" << item.OriginalImagePath << "\"";
            if (!item.ImageFile.empty()) std::cout << " (keeps " << item.ImageFile << ")";
        }
        std::cout << "\n";
    }
}

// --check: the project is generated into a private folder only, so the
// first view is weighed by the copies a save would publish.
int CheckProject(marivel::PublishingAgent& agent, marivel::MemoryDesignTree& tree) {
    marivel::ScratchFolder pages;
    agent.MakeHTMLCodes(pages.path() / "page.html", tree);
    int failed = 0;
    for (const marivel::CheckFinding& finding : marivel::CheckBeforePublishing(
             agent.AppletData, agent.Items, agent.ProjectFolder, agent.PreviewFolder())) {
        std::cout << finding.text << "\n";
        if (finding.failed()) ++failed;
    }
    if (failed == 0) std::cout << "No problems found.\n";
    agent.ClearPreview();
    return failed ? 1 : 0;
}

// What a run did: the plan of the files it published, or with --check the
// checks' exit code (and no plan).
struct PublishOutcome {
    marivel::PublishPlan plan;
    std::optional<int> checkExit;
};

PublishOutcome Publish(const Arguments& args, const fs::path& programFolder) {
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
    WaitNotice display(folder, args.waitSeconds);
    marivel::PublishingAgent agent(marivel::ProgramFolders{programFolder, work.path()}, &display);
    marivel::MemoryDesignTree tree("Marivel");
    agent.Quality = marivel::ReadStoredImageQuality(marivel::UserSettingsFile());
    if (args.resize) agent.Quality.resize = *args.resize;
    if (args.density) agent.Quality.density = *args.density;
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
    if (args.check) return {{}, CheckProject(agent, tree)};

    fs::create_directories(folder, ec);
    if (ec) throw Error("Cannot create the folder \"" + folder.string() + "\". " + ec.message());
    // The project file is written over exactly the file given, whatever its
    // name ends in.
    const fs::path target = folder / project.filename();
    const marivel::PublishPlan plan = marivel::PlanPublish(agent, tree, target);
    if (!args.force) RefuseOtherProjectsFiles(plan);
    if (!agent.SaveAndPublishProject(target, tree))
        throw Error("Another save into \"" + folder.string() + "\" did not finish within " +
                    std::to_string(args.waitSeconds) +
                    " seconds. Nothing was written; try again later, or wait "
                    "longer with --wait");
    PrintItems(agent, tree);
    std::cout << "report: " << (folder / plan.reportFile()).string() << "\n";
    agent.ClearPreview();
    return {plan, std::nullopt};
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
        const PublishOutcome outcome = Publish(args, ProgramFolder(argv[0]));
        if (outcome.checkExit) return *outcome.checkExit;
        if (args.upload) return marivel::RunUploadCommand(*args.upload, outcome.plan, std::cout, std::cerr);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "marivel-publish: " << e.what() << "\n";
        return 1;
    }
}
