// Image preparation: a set of 12-megapixel photos scaled to the slider width
// 168, the work one save does per item. run_output_bench.sh runs this next to
// djpeg (full decode, the floor) and ImageMagick -sample on the same files.
//
//   bench_output [--photos=FOLDER] [benchmark options]   time the set
//   bench_output --make-photo W H QUALITY SEED PATH [KIND] write a test photo;
//                KIND: 420 (default), 422, 444, gray, progressive (4:2:0),
//                progressive444
//   bench_output --prepare-once SOURCE DESTINATION         one preparation
//                                                          (for /usr/bin/time)
//   bench_output --time-prepare ROUNDS SOURCE...           CPU and wall ms per
//                                                          preparation, in memory
//   bench_output --make-project PATH SOURCE...             a project of these
//                                                          photos (for marivel-publish)

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "output/jpeg_prepare.h"
#include "output/publishing_agent.h"

namespace {

namespace fs = std::filesystem;

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Smoothly interpolated lattice noise in 0..1.
double ValueNoise(double x, double y, std::uint32_t seed) {
    const auto xi = static_cast<std::uint32_t>(x), yi = static_cast<std::uint32_t>(y);
    const double fx = x - xi, fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto at = [&](std::uint32_t a, std::uint32_t b) { return (Hash(a, b, seed) & 0xFFFF) / 65535.0; };
    const double top = at(xi, yi) + sx * (at(xi + 1, yi) - at(xi, yi));
    const double bottom = at(xi, yi + 1) + sx * (at(xi + 1, yi + 1) - at(xi, yi + 1));
    return top + sy * (bottom - top);
}

// A photo-like picture: broad colour gradients, clouds of detail at several
// scales and a little sensor noise, so it compresses like a camera's JPEG.
// Rows are made and encoded one at a time: a 300-megapixel file needs no
// more memory than a 12-megapixel one.
int MakePhoto(int w, int h, int quality, std::uint32_t seed, const char* path,
              const std::string& kind = "420") {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return std::perror(path), 1;
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == "gray") jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    if (kind == "422") c.comp_info[0].v_samp_factor = 1;
    if (kind == "444" || kind == "progressive444")
        c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    if (kind.rfind("progressive", 0) == 0) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 3);
    const double scale = 4000.0 / std::max(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = x * scale, v = y * scale;
            const double coarse = ValueNoise(u / 700, v / 700, seed);
            const double detail =
                0.6 * ValueNoise(u / 90, v / 90, seed + 1) + 0.4 * ValueNoise(u / 12, v / 12, seed + 2);
            const double grain = (Hash(x, y, seed + 3) & 0xFF) / 255.0 - 0.5;
            const double light = 0.35 + 0.45 * coarse + 0.25 * detail + 0.08 * grain;
            const double hue = 6.2832 * (coarse + 0.15 * detail + seed * 0.13);
            for (int ch = 0; ch < 3; ++ch) {
                const double value = 255 * light * (0.75 + 0.25 * std::sin(hue + ch * 2.094));
                row[static_cast<std::size_t>(x) * 3 + ch] =
                    static_cast<JSAMPLE>(std::clamp(value, 0.0, 255.0));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(file) == 0 ? 0 : 1;
}

double Milliseconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Each source prepared `rounds` times in memory, as the image pass does:
// prints the source and the CPU and wall milliseconds per preparation.
int TimePrepare(int rounds, int count, char** sources) {
    for (int i = 0; i < count; ++i) {
        const int fd = ::open(sources[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::perror(sources[i]), 1;
        std::string jpeg;
        const double cpu = Milliseconds(CLOCK_PROCESS_CPUTIME_ID), wall = Milliseconds(CLOCK_MONOTONIC);
        for (int r = 0; r < rounds; ++r) {
            ::lseek(fd, 0, SEEK_SET);
            marivel::PrepareSliderJpeg(fd, sources[i], 168, jpeg);
        }
        std::printf("%s %.2f %.2f\n", sources[i], (Milliseconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / rounds,
                    (Milliseconds(CLOCK_MONOTONIC) - wall) / rounds);
        ::close(fd);
    }
    return 0;
}

// A project with one item per source, saved as the editor saves it.
int MakeProject(const char* path, int count, char** sources) {
    marivel::PublishingAgent agent(fs::path(path).parent_path());
    agent.ResetProject();
    for (int i = 0; i < count; ++i) {
        marivel::SliderItem item = marivel::PublishingAgent::MakeNewItem();
        item.OriginalImagePath = fs::absolute(sources[i]).string();
        item.Level = "0";
        agent.InsertItem(i, item);
    }
    agent.SaveProject(path);
    return 0;
}

std::vector<fs::path> g_photos;
fs::path g_scratch;

void PrepareSet(benchmark::State& state) {
    for (auto _ : state) {
        for (std::size_t i = 0; i < g_photos.size(); ++i) {
            const auto image = marivel::PrepareSliderImage(g_photos[i], g_scratch / "out.jpg", 168);
            benchmark::DoNotOptimize(image.size.height);
        }
    }
    state.counters["files"] = static_cast<double>(g_photos.size());
    state.counters["ms_per_file"] =
        benchmark::Counter(static_cast<double>(g_photos.size()) * 1000.0,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::vector<fs::path> PhotosIn(const fs::path& folder) {
    std::vector<fs::path> photos;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".jpg") photos.push_back(entry.path());
    std::sort(photos.begin(), photos.end());
    return photos;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 7 || argc == 8) && std::strcmp(argv[1], "--make-photo") == 0)
        return MakePhoto(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                         static_cast<std::uint32_t>(std::atoi(argv[5])), argv[6],
                         argc == 8 ? argv[7] : "420");
    try {
        if (argc >= 4 && std::strcmp(argv[1], "--time-prepare") == 0)
            return TimePrepare(std::atoi(argv[2]), argc - 3, argv + 3);
        if (argc >= 3 && std::strcmp(argv[1], "--make-project") == 0)
            return MakeProject(argv[2], argc - 3, argv + 3);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--prepare-once") == 0) {
        try {
            const auto image = marivel::PrepareSliderImage(argv[2], argv[3], 168);
            std::cout << image.sourceWidth << "x" << image.sourceHeight << " -> " << image.size.width << "x"
                      << image.size.height << "\n";
            return 0;
        } catch (const std::exception& e) {
            std::cerr << e.what() << "\n";
            return 1;
        }
    }

    benchmark::Initialize(&argc, argv);
    fs::path folder;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--photos=", 9) == 0) folder = argv[i] + 9;
    g_scratch = fs::temp_directory_path() / ("marivel-bench-output-" + std::to_string(::getpid()));
    fs::create_directories(g_scratch);
    if (folder.empty()) {
        // Standalone run: make a small set of our own.
        folder = g_scratch / "photos";
        fs::create_directories(folder);
        for (int i = 0; i < 3; ++i)
            MakePhoto(4000, 3000, 92, static_cast<std::uint32_t>(i + 1),
                      (folder / ("photo" + std::to_string(i) + ".jpg")).c_str());
    }
    g_photos = PhotosIn(folder);
    if (g_photos.empty()) {
        std::cerr << "no .jpg files in " << folder << "\n";
        return 1;
    }
    benchmark::RegisterBenchmark("PrepareTo168", PrepareSet)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(g_scratch, ignored);
    return 0;
}
