#include "output/publish_plan.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "model/agent.h"
#include "model/error.h"
#include "model/text_file.h"
#include "model/whole_file.h"
#include "output/script_text.h"
#include "output/source_images.h"

namespace marivel {

namespace fs = std::filesystem;

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && SameIgnoringCase(text.substr(text.size() - end.size()), end);
}

// A name that stays inside the folder; others are refused by the generation
// before anything is written.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Which items the next generation prepares again, by item.
std::vector<bool> PreparedAgain(const DocumentAgent& agent, const DesignTree& tree) {
    std::vector<bool> again(agent.Items.size(), false);
    const int generated = GeneratedItemCount(agent.Items, tree);
    for (int k = 0; k < generated; ++k)
        again[static_cast<std::size_t>(k)] = SourceImageExists(
            agent.Items[static_cast<std::size_t>(k)].OriginalImagePath, agent.ProjectFolder);
    return again;
}

}  // namespace

std::vector<std::string> PublishPlan::files() const {
    std::vector<std::string> all = siteFiles;
    all.insert(all.end(), images.begin(), images.end());
    return all;
}

std::vector<std::string> PublishPlan::existingFilesReplaced() const {
    std::vector<std::string> existing;
    for (const std::string& name : files()) {
        if (name == projectFile) continue;
        std::error_code ec;
        if (fs::exists(fs::symlink_status(folder / name, ec))) existing.push_back(name);
    }
    return existing;
}

fs::path ProjectFileForTypedName(const fs::path& typed) {
    const std::string name = typed.filename().string();
    if (EndsWithIgnoringCase(name, ".mvl")) return typed;
    return typed.parent_path() / (name + ".mvl");
}

PublishPlan PlanPublish(const DocumentAgent& agent, const DesignTree& tree, const fs::path& projectFile) {
    PublishPlan plan;
    plan.folder = projectFile.has_parent_path() ? projectFile.parent_path() : fs::path(".");
    plan.projectFile = projectFile.filename().string();
    plan.baseName = PublishBaseName(plan.projectFile);
    plan.siteFiles.push_back(plan.pageFile());
    if (!agent.EngineFiles.empty() && !agent.EngineFiles[0].empty())
        plan.siteFiles.push_back(agent.EngineFiles[0]);
    plan.siteFiles.push_back(kConfigScriptFile);
    plan.siteFiles.push_back(kStyleSheetFile);
    plan.siteFiles.push_back(plan.projectFile);
    plan.siteFiles.push_back(plan.reportFile());
    plan.preparedAgain = PreparedAgain(agent, tree);
    const std::vector<bool>& again = plan.preparedAgain;
    std::unordered_set<std::string> seen;
    const bool doubled = agent.Quality.density == Density::Double;
    for (std::size_t k = 0; k < agent.Items.size(); ++k) {
        const SliderItem& item = agent.Items[k];
        const std::string name = again[k] ? PreparedImageName(static_cast<int>(k)) : item.ImageFile;
        if (IsPlainName(name) && seen.insert(name).second) plan.images.push_back(name);
        // The double-density copy, where the generation may write one or the
        // item keeps one it had.
        const std::string twice = !doubled   ? ""
                                  : again[k] ? DoubleDensityImageName(static_cast<int>(k))
                                             : KeptDoubleImageName(item.ImageFile, agent.ProjectFolder);
        if (IsPlainName(twice) && seen.insert(twice).second) plan.images.push_back(twice);
    }
    return plan;
}

std::vector<std::string> FilesLastPublishedWith(const fs::path& projectFile) {
    const std::string base = PublishBaseName(projectFile.filename().string());
    const fs::path report = projectFile.parent_path() / (base + "_PublishReport.txt");
    std::error_code ec;
    if (!fs::is_regular_file(report, ec)) return {};
    std::vector<std::string> files{base + ".html", projectFile.filename().string(),
                                   report.filename().string()};
    // A report too large to be one of ours is refused, with its size: read
    // whole it would take all memory, and skipped it would let its
    // project's files be replaced unnoticed.
    const bool tooLarge = fs::file_size(report, ec) > kReportFileKind.largest && !ec;
    try {
        // The report lists each script and image on a line of its own,
        // indented by two blanks.
        for (const std::string& line : ReadTextLines(report, kReportFileKind))
            if (line.size() > 2 && line.compare(0, 2, "  ") == 0 && IsPlainName(line.substr(2)))
                files.push_back(line.substr(2));
    } catch (const Error&) {
        if (tooLarge) throw;
        // A report that cannot be read tells nothing beyond its own name.
    }
    return files;
}

std::vector<ForeignFiles> FilesOfOtherProjects(const PublishPlan& plan) {
    const std::vector<std::string> ours = plan.files();
    const auto ownIdentity = IdentifyFile(plan.folder / plan.projectFile);
    std::vector<ForeignFiles> foreign;
    std::error_code ec;
    std::vector<fs::path> projects;
    for (fs::directory_iterator it(plan.folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == plan.projectFile || !EndsWithIgnoringCase(name, ".mvl")) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (ownIdentity && IdentifyFile(it->path()) == ownIdentity) continue;
        projects.push_back(it->path());
    }
    std::sort(projects.begin(), projects.end());
    for (const fs::path& project : projects) {
        const std::vector<std::string> published = FilesLastPublishedWith(project);
        const std::unordered_set<std::string> theirs(published.begin(), published.end());
        ForeignFiles hit{project.filename().string(), {}};
        for (const std::string& name : ours)
            if (theirs.count(name)) hit.files.push_back(name);
        if (!hit.files.empty()) foreign.push_back(std::move(hit));
    }
    return foreign;
}

void CheckPreparedImageNames(const DocumentAgent& agent, const PublishPlan& plan) {
    const std::vector<bool>& again = plan.preparedAgain;
    const bool doubled = agent.Quality.density == Density::Double;
    // By name in lower case: the item whose new image (or its copy at
    // double density) gets it, and the first item that keeps it (with the
    // name as it keeps it).
    std::unordered_map<std::string, std::pair<std::size_t, std::string>> renewed;
    for (std::size_t j = 0; j < again.size(); ++j) {
        if (!again[j]) continue;
        const std::string name = PreparedImageName(static_cast<int>(j));
        renewed.emplace(Lower(name), std::make_pair(j, name));
        if (doubled) {
            const std::string twice = DoubleDensityImageName(static_cast<int>(j));
            renewed.emplace(Lower(twice), std::make_pair(j, twice));
        }
    }
    std::unordered_map<std::string, std::pair<std::size_t, std::string>> kept;
    for (std::size_t k = 0; k < agent.Items.size(); ++k) {
        if (again[k]) continue;
        const std::string& image = agent.Items[k].ImageFile;
        // A kept copy at double density can be replaced just as the kept
        // image itself.
        const std::string names[] = {image, doubled ? KeptDoubleImageName(image, agent.ProjectFolder) : ""};
        for (const std::string& name : names) {
            if (!IsPlainName(name)) continue;
            const std::string item = "The prepared image \"" + name + "\" of item " + std::to_string(k + 1);
            const std::string advice = ". Choose the item's image again";
            for (const std::string& file : plan.siteFiles)
                if (SameIgnoringCase(name, file))
                    throw Error(item + " has the name of the file \"" + file + "\" that this save writes" +
                                advice);
            const std::string lower = Lower(name);
            std::pair<std::size_t, std::string> other{k, name};
            if (const auto hit = renewed.find(lower); hit != renewed.end()) {
                other = hit->second;
            } else if (const auto [first, added] = kept.emplace(lower, other);
                       !added && first->second.second != name) {
                // Items that keep the very same name share one picture, as
                // they always could; names that differ in case only are two
                // files here and one on many web servers.
                other = first->second;
            }
            if (other.first != k)
                throw Error(item + " has the name of the image \"" + other.second + "\" of item " +
                            std::to_string(other.first + 1) + advice);
        }
    }
}

void CheckPlanCanBeWritten(const PublishPlan& plan) {
    for (const std::string& name : plan.files()) CheckCanReplace(plan.folder / name);
}

}  // namespace marivel
