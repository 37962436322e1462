// Loading and saving a 10,000-item project, next to a plain line-by-line read
// of the same file: the floor any reader has to pay.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/agent.h"
#include "model/memory_tree.h"

namespace {

using marivel::MemoryDesignTree;
using marivel::TItemData;
using marivel::TkeltAppletAgent;

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
void FillProject(TkeltAppletAgent& agent) {
    agent.ResetProject();
    for (int i = 0; i < kItems; ++i) {
        TItemData item = TkeltAppletAgent::MakeNewItem();
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
        TkeltAppletAgent agent(BenchFolder());
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
    TkeltAppletAgent agent(BenchFolder());
    MemoryDesignTree tree;
    for (auto _ : state) {
        tree.reset("Marivel");
        benchmark::DoNotOptimize(agent.LoadProject(path, tree));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_SaveProject(benchmark::State& state) {
    TkeltAppletAgent agent(BenchFolder());
    FillProject(agent);
    const auto path = BenchFolder() / "saved.mvl";
    for (auto _ : state) agent.SaveProject(path);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}
