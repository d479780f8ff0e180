// gf_readExtTextFileToStringVector on a generated 1 MiB text of 20,000 lines in every encoding,
// against reading the same 8-bit file with std::getline. Each reader reports its time as
// "ratio" to that baseline (targets: 8-bit and UTF-8 with mark 1.2, UTF-16 2.5).
#include "core/text_file.h"
#include "platform/utf_conversion.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLines = 20'000;
constexpr std::size_t kBytes = 1 << 20;

std::string utf16Bytes(const std::string& utf8, bool bigEndian) {
    const std::u16string units = win32::Utf8ToUtf16(utf8);
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    out.reserve(2 + units.size() * 2);
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

// aircraft.cfg-like lines with a few non-ASCII characters, CRLF ends, 1 MiB in all.
std::string makeText() {
    const std::size_t perLine = kBytes / kLines; // with "\r\n"
    std::string text;
    text.reserve(kBytes);
    for (std::size_t i = 0; i < kLines; ++i) {
        std::string line = fmt::format("title=Z\xC3\xBCrich Airways A320-214 {:05} livery", i);
        const std::size_t want = i + 1 == kLines ? kBytes - text.size() - 2 : perLine - 2;
        line.resize(want, 'x');
        text += line;
        text += "\r\n";
    }
    return text;
}

struct Files {
    ksb::test::TempFolder folder;
    fs::path ansi = folder / "ansi.cfg";
    fs::path utf8Mark = folder / "utf8.cfg";
    fs::path utf16le = folder / "utf16le.cfg";
    fs::path utf16be = folder / "utf16be.cfg";

    Files() {
        const std::string text = makeText();
        ksb::test::writeBytes(ansi, text);
        ksb::test::writeBytes(utf8Mark, "\xEF\xBB\xBF" + text);
        ksb::test::writeBytes(utf16le, utf16Bytes(text, false));
        ksb::test::writeBytes(utf16be, utf16Bytes(text, true));
    }
};

Files& files() {
    static Files instance;
    return instance;
}

double baselineNanoseconds = 0.0;

template <class Read> double timedLoop(benchmark::State& state, Read read) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        read();
    }
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count() / static_cast<double>(state.iterations());
}

void BM_Getline8Bit(benchmark::State& state) {
    const fs::path path = files().ansi;
    baselineNanoseconds = timedLoop(state, [&] {
        std::ifstream in(path);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(line);
        }
        benchmark::DoNotOptimize(lines.data());
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

void readerBenchmark(benchmark::State& state, const fs::path& path) {
    const double ns = timedLoop(state, [&] {
        std::vector<std::string> lines;
        if (!gf_readExtTextFileToStringVector(path, lines) || lines.size() != kLines) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(lines.data());
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
    if (baselineNanoseconds > 0.0) {
        state.counters["ratio"] = ns / baselineNanoseconds;
    }
}

void BM_Read8Bit(benchmark::State& state) {
    readerBenchmark(state, files().ansi);
}
void BM_ReadUtf8WithMark(benchmark::State& state) {
    readerBenchmark(state, files().utf8Mark);
}
void BM_ReadUtf16LE(benchmark::State& state) {
    readerBenchmark(state, files().utf16le);
}
void BM_ReadUtf16BE(benchmark::State& state) {
    readerBenchmark(state, files().utf16be);
}

// The baseline runs first; the others divide by it.
BENCHMARK(BM_Getline8Bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Read8Bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadUtf8WithMark)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadUtf16LE)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadUtf16BE)->Unit(benchmark::kMicrosecond);

} // namespace
