// Loading and saving a 10,000-item project, next to a plain line-by-line read
// of the same file: the floor any reader has to pay.
//
// Then loading and publishing 20,000 and 50,000 items, each as a flat list
// and as one folder holding all the others, as marivel-publish does it (load,
// fill the preview from the project folder, generate, publish, clear). Linear
// work costs the same per item at both sizes: compare the per_item counters
// (50,000 takes 2.5 times as long as 20,000; a quadratic step makes it 6.25).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/memory_tree.h"
#include "output/publishing_agent.h"

namespace {

using marivel::MemoryDesignTree;
using marivel::PublishingAgent;
using marivel::SliderItem;

constexpr int kItems = 10000;

// The machine is shared and noisy: with --benchmark_repetitions the fastest
// repetition is the steadiest figure to compare the reader against its floor.
double Fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

std::filesystem::path BenchFolder() {
    static const std::filesystem::path folder = [] {
        auto dir = std::filesystem::temp_directory_path() / ("marivel-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir;
    }();
    return folder;
}

// A project shaped like a real one: mostly top-level items, some nested two
// levels deep, with realistic paths, links and tooltips.
void FillProject(PublishingAgent& agent) {
    agent.ResetProject();
    for (int i = 0; i < kItems; ++i) {
        SliderItem item = PublishingAgent::MakeNewItem();
        item.ImageFile = "slider" + std::to_string(i) + ".jpg";
        item.OriginalImagePath =
            "/home/designer/photos/summer-2026/IMG_" + std::to_string(10000 + i) + ".jpg";
        item.Link = "http://www.example.com/gallery/album" + std::to_string(i % 37) + "/photo" +
                    std::to_string(i) + ".html";
        item.Target = i % 3 ? "_self" : "_blank";
        item.ToolTip = "Photo " + std::to_string(i) + " of the summer collection";
        item.ImageWidth = "168";
        item.ImageHeight = std::to_string(100 + i % 50);
        item.Level = std::to_string(i % 5 == 0 ? 0 : (i % 5 == 1 ? 1 : (i % 5 == 2 ? 2 : 1)));
        agent.Items.push_back(item);
    }
}

const std::filesystem::path& ProjectPath() {
    static const std::filesystem::path path = [] {
        PublishingAgent agent(BenchFolder());
        FillProject(agent);
        auto file = BenchFolder() / "large.mvl";
        agent.SaveProject(file);
        return file;
    }();
    return path;
}

void BM_PlainLineRead(benchmark::State& state) {
    const auto& path = ProjectPath();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        std::size_t lines = 0;
        while (std::getline(in, line)) ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_PlainLineRead)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_LoadProject(benchmark::State& state) {
    const auto& path = ProjectPath();
    PublishingAgent agent(BenchFolder());
    MemoryDesignTree tree;
    for (auto _ : state) {
        tree.reset("Marivel");
        benchmark::DoNotOptimize(agent.LoadProject(path, tree));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_SaveProject(benchmark::State& state) {
    PublishingAgent agent(BenchFolder());
    FillProject(agent);
    const auto path = BenchFolder() / "saved.mvl";
    for (auto _ : state) agent.SaveProject(path);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

enum Shape { kFlat, kOneFolder };

// Items whose originals are gone but whose images were prepared once, the
// case where a save does the least image work and the bookkeeping shows.
std::filesystem::path LargeProject(int items, Shape shape) {
    const auto path =
        BenchFolder() / ("large-" + std::to_string(items) + "-" + std::to_string(shape) + ".mvl");
    if (std::filesystem::exists(path)) return path;
    PublishingAgent agent(BenchFolder());
    agent.ResetProject();
    agent.AppletData.CfgName = "VSlider1cfg";
    agent.AppletData.DivId = "VSlider1_div";
    agent.Items.reserve(static_cast<std::size_t>(items));
    for (int i = 0; i < items; ++i) {
        SliderItem item = PublishingAgent::MakeNewItem();
        item.ImageFile = "slider" + std::to_string(i) + ".jpg";
        item.OriginalImagePath = "/nonexistent/photos/IMG_" + std::to_string(10000 + i) + ".jpg";
        item.Link = "http://www.example.com/gallery/photo" + std::to_string(i) + ".html";
        item.ToolTip = "Photo " + std::to_string(i);
        item.Level = shape == kFlat || i == 0 ? "0" : "1";
        agent.Items.push_back(item);
    }
    agent.SaveProject(path);
    return path;
}

void PerItem(benchmark::State& state, int items) {
    state.counters["per_item"] =
        benchmark::Counter(static_cast<double>(items),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadLarge(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    const auto path = LargeProject(items, static_cast<Shape>(state.range(1)));
    PublishingAgent agent(BenchFolder());
    MemoryDesignTree tree;
    for (auto _ : state) {
        tree.reset("Marivel");
        benchmark::DoNotOptimize(agent.LoadProject(path, tree));
    }
    PerItem(state, items);
}
BENCHMARK(BM_LoadLarge)
    ->ArgNames({"items", "one_folder"})
    ->Args({20000, kFlat})
    ->Args({50000, kFlat})
    ->Args({20000, kOneFolder})
    ->Args({50000, kOneFolder})
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Fastest);

void BM_PublishLarge(benchmark::State& state) {
    namespace fs = std::filesystem;
    const int items = static_cast<int>(state.range(0));
    const auto path = LargeProject(items, static_cast<Shape>(state.range(1)));
    const fs::path program = BenchFolder() / "program", site = BenchFolder() / "site";
    fs::create_directories(program);
    fs::create_directories(site);
    std::ofstream(program / "tessaline.js") << "// engine\n";
    for (auto _ : state) {
        PublishingAgent agent(program);
        MemoryDesignTree tree;
        agent.LoadProject(path, tree);
        agent.CopyResourceFiles(path.parent_path());
        agent.SaveAndPublish(site, "large.mvl", tree);
        agent.ClearPreview();
    }
    PerItem(state, items);
}
BENCHMARK(BM_PublishLarge)
    ->ArgNames({"items", "one_folder"})
    ->Args({20000, kFlat})
    ->Args({50000, kFlat})
    ->Args({20000, kOneFolder})
    ->Args({50000, kOneFolder})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}
