// Watches a real upload from the server's side: lists the server folder
// every 50 ms while marivel's uploader publishes a project, and
// checks every moment: the configuration script and page on the server
// name only files that are there, and no file is ever a part of one.
//
// Usage: upload_capture [ITEMS [sftp|ftps|webdav]]   (prints one line per
// sample, then a summary; exits 1 when any sample was broken)

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "model/memory_tree.h"
#include "output/publish_plan.h"
#include "output/publishing_agent.h"
#include "support/test_jpeg.h"
#include "upload/test_servers.h"
#include "upload/uploader.h"

namespace fs = std::filesystem;
using namespace marivel;

namespace {

struct Sample {
    double ms = 0;
    std::size_t files = 0;
    std::string broken;  // empty when the moment was sound
};

// What the server folder holds at one moment, read as a visitor would:
// first the page and the configuration script, then the folder.
Sample Look(const fs::path& site, const std::map<std::string, std::set<std::string>>& wholeVersions) {
    Sample sample;
    const std::string config = test::ReadBytes(site / "tessalinecfg.js");
    std::string page;
    for (const auto& entry : fs::directory_iterator(site))
        if (entry.path().extension() == ".html") page = test::ReadBytes(entry.path());
    std::set<std::string> present;
    for (const auto& entry : fs::directory_iterator(site)) present.insert(entry.path().filename().string());
    sample.files = present.size();
    static const std::regex picture(R"(slider\d+(@2x)?\.jpg)");
    for (auto it = std::sregex_iterator(config.begin(), config.end(), picture); it != std::sregex_iterator();
         ++it)
        if (!present.count(it->str())) sample.broken += " config names missing " + it->str() + ";";
    for (const char* script : {"tessaline.js", "tessalinecfg.js", "tessaline.css"})
        if (!page.empty() && !present.count(script))
            sample.broken += std::string(" page names missing ") + script + ";";
    for (const std::string& name : present) {
        const auto versions = wholeVersions.find(name);
        if (versions == wholeVersions.end()) continue;  // temporary names
        const std::string bytes = test::ReadBytes(site / name);
        if (fs::exists(site / name) && !versions->second.count(bytes))
            sample.broken += " " + name + " is partial;";
    }
    return sample;
}

void AddPhotos(PublishingAgent& agent, const fs::path& folder, int first, int count, int shade) {
    for (int k = first; k < first + count; ++k) {
        test::JpegRecipe recipe{.width = 900, .height = 600 + 10 * k};
        recipe.pixel = [k, shade](int x, int y) {
            return test::Rgb{(x * k + shade) % 256, (y * 3) % 256, (x ^ y) % 256};
        };
        const fs::path photo = folder / ("photo" + std::to_string(k) + "_" + std::to_string(shade) + ".jpg");
        test::WriteJpeg(photo, recipe);
        SliderItem item = PublishingAgent::MakeNewItem();
        item.OriginalImagePath = photo.string();
        item.Level = "0";
        if (k < static_cast<int>(agent.Items.size()))
            agent.Items[static_cast<std::size_t>(k)].OriginalImagePath = photo.string();
        else
            agent.InsertItem(k, item);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::atoi(argv[1]) : 30;
    test::TempDir work;
    const std::string kind = argc > 2 ? argv[2] : "sftp";
    test::TestServer server(kind == "ftps"     ? Protocol::Ftps
                            : kind == "webdav" ? Protocol::WebDav
                                               : Protocol::Sftp);
    fs::create_directories(work / "out");
    fs::create_directories(work / "scratch");
    PublishingAgent agent(ProgramFolders{fs::path(MARIVEL_PROGRAM_DIR), work / "scratch"});
    agent.ResetProject();
    std::map<std::string, std::set<std::string>> versions;
    int broken = 0, samples = 0;
    for (int round = 0; round < 2; ++round) {
        // Round two changes every other picture and adds five items, so the
        // new configuration script names pictures the server lacks until
        // they arrive.
        if (round == 0) AddPhotos(agent, work.path(), 0, items, 0);
        for (int k = 0; round == 1 && k < items; k += 2) AddPhotos(agent, work.path(), k, 1, 77);
        if (round == 1) AddPhotos(agent, work.path(), items, 5, 5);
        MemoryDesignTree tree("Marivel");
        for (std::size_t k = 0; k < agent.Items.size(); ++k) tree.addChild(0, "Item");
        const fs::path project = work / "out" / "Capture.mvl";
        agent.SaveAndPublishProject(project, tree);
        const PublishPlan plan = PlanPublish(agent, tree, project);
        for (const std::string& name : plan.files())
            if (fs::exists(plan.folder / name)) versions[name].insert(test::ReadBytes(plan.folder / name));
        UploadRequest request{server.address(), plan.folder, PublishedFiles(plan), false, work / "records"};
        std::atomic<bool> done = false;
        std::vector<Sample> seen;
        const auto start = std::chrono::steady_clock::now();
        std::thread watcher([&] {
            while (!done) {
                Sample sample = Look(server.site(), versions);
                sample.ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count();
                seen.push_back(sample);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        const UploadOutcome outcome = Upload(request, server.options());
        done = true;
        watcher.join();
        std::cout << "upload " << round + 1 << ": " << outcome.replaced.size() << " files sent ("
                  << outcome.bytesSent << " bytes), " << outcome.removed.size() << " removed"
                  << (outcome.error.empty() ? "" : ", " + outcome.error) << "\n";
        for (const Sample& sample : seen) {
            std::printf("  %7.1f ms  %3zu files on the server  %s\n", sample.ms, sample.files,
                        sample.broken.empty() ? "sound" : ("BROKEN:" + sample.broken).c_str());
            broken += !sample.broken.empty();
            ++samples;
        }
    }
    std::cout << samples << " samples, " << broken << " broken\n";
    return broken ? 1 : 0;
}
