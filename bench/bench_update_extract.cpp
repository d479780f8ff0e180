// The archive update's extraction (lf_extractArchive over every entry) of a generated archive of
// 2,000 airport files of about 20 KB, against writing the same bytes to the same paths with
// std::ofstream. "ratio" is the extraction's time over that baseline (target: at most 2, since
// every file is written atomically, a rename each).
#include "support/scoped_current_dir.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"
#include "updates/update_steps.h"
#include "updates/zip_archive.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr std::size_t kFileBytes = 20 * 1024;

struct Archive {
    ksb::test::TempFolder folder;
    fs::path zip = folder / "archive.zip";
    std::vector<std::pair<std::string, std::string>> files;

    Archive() {
        ksb::test::ZipWriter writer;
        for (int i = 0; i < kFiles; ++i) {
            const char* kind = i % 3 == 0 ? "stock" : (i % 3 == 1 ? "ORBX" : "thirdparty/Demo");
            const std::string name = fmt::format("archive/{}/A{:04}.xml", kind, i);
            std::string text;
            while (text.size() < kFileBytes) {
                text += fmt::format("<parkpos id=\"S{}\" latitude=\"50.{:06}\" />\n", text.size(),
                                    (i * 7919 + text.size()) % 1000000);
            }
            writer.add(name, text);
            files.emplace_back(name, std::move(text));
        }
        writer.write(zip);
    }
};

Archive& archive() {
    static Archive instance;
    return instance;
}

// A fresh airports folder below a temporary working folder.
struct Work {
    ksb::test::TempFolder folder;
    ksb::test::ScopedCurrentDir cwd{folder.path()};
    Work() {
        for (const char* kind : {"stock", "ORBX", "thirdparty/Demo"}) {
            fs::create_directories(fs::path("airports/archive") / kind);
        }
    }
};

double baselineNanoseconds = 0.0;

void BM_UpdateExtractBaselineOfstream(benchmark::State& state) {
    const Archive& a = archive();
    Work work;
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const auto& [name, text] : a.files) {
            std::ofstream out(fs::path("airports") / name, std::ios::binary | std::ios::trunc);
            out << text << '\n';
        }
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    baselineNanoseconds = total / static_cast<double>(state.iterations());
}

void BM_UpdateExtractArchive(benchmark::State& state) {
    const Archive& a = archive();
    Work work;
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<ksb::ZipArchive> zip = ksb::ZipArchive::open(a.zip);
        int counter = 0;
        for (const ksb::ZipEntry& entry : zip->entries()) {
            lf_extractArchive(*zip, entry, a.zip, counter);
        }
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
                     .count();
        if (counter != kFiles) {
            state.SkipWithError("not every file was written");
        }
    }
    if (baselineNanoseconds > 0.0) {
        state.counters["ratio"] = total / static_cast<double>(state.iterations()) /
                                  baselineNanoseconds;
    }
}

// The baseline runs first; the extraction divides by it.
BENCHMARK(BM_UpdateExtractBaselineOfstream)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UpdateExtractArchive)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
