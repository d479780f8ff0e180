// SimConnect client: (a) encoding and flushing a frame's worth of SetData packets into a capture
// handle; (b) taking out and reading by-type data messages from the receive buffer, against one
// memcpy of the same bytes.
#include "simlink/client/receive_buffer.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/client/simconnect_messages.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kMessages = 10000;
constexpr std::size_t kMessageSize = 96;
constexpr std::size_t kPiece = 64 * 1024;

void lf_put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// 10,000 by-type messages of 96 bytes: 40 bytes of fields, an int64 and six float64 data.
std::vector<std::uint8_t> lf_byTypeStream() {
    std::vector<std::uint8_t> stream(kMessages * kMessageSize, 0);
    for (std::size_t i = 0; i < kMessages; ++i) {
        std::uint8_t* m = stream.data() + i * kMessageSize;
        lf_put32(m, kMessageSize);
        lf_put32(m + 4, 4);
        lf_put32(m + 8, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE);
        lf_put32(m + 12, 9);
        lf_put32(m + 16, static_cast<std::uint32_t>(1000 + i));
        lf_put32(m + 20, 405);
        lf_put32(m + 28, static_cast<std::uint32_t>(i));
        lf_put32(m + 32, kMessages);
        lf_put32(m + 36, 7);
        for (int d = 0; d < 7; ++d) {
            const double value = static_cast<double>(i) + d * 0.25;
            std::memcpy(m + 40 + 8 * d, &value, 8);
        }
    }
    return stream;
}

void BM_EncodeAndFlush1000SetData(benchmark::State& state) {
    auto capture = sc::makeCaptureHandle();
    std::vector<std::uint8_t> data(28, 0x42); // 36 + 28 = 64-byte packets
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            benchmark::DoNotOptimize(SimConnect_SetDataOnSimObject(
                capture->get(), 407, static_cast<std::uint32_t>(i), 0, 1, 28, data.data()));
        }
        state.PauseTiming();
        capture->clearPackets();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_EncodeAndFlush1000SetData)->Unit(benchmark::kMicrosecond);

void BM_TakeOutAndRead10000ByType(benchmark::State& state) {
    const std::vector<std::uint8_t> stream = lf_byTypeStream();
    for (auto _ : state) {
        sc::ReceiveBuffer buffer;
        // The values are folded by their bits: a floating-point sum carried through memory
        // would measure the adder's latency instead of the reading.
        std::uint64_t checksum = 0;
        std::size_t count = 0;
        const auto sink = [&](std::span<const std::uint8_t> message) {
            sc::RecvObjectData data = sc::readObjectData(message);
            std::uint64_t mix = static_cast<std::uint64_t>(data.data.int64()) ^ data.objectId;
            for (int d = 0; d < 6; ++d) {
                mix += std::bit_cast<std::uint64_t>(data.data.float64());
            }
            checksum ^= mix;
            ++count;
        };
        for (std::size_t piece = 0; piece < stream.size(); piece += kPiece) {
            const std::size_t end = std::min(stream.size(), piece + kPiece);
            for (std::size_t offset = piece; offset < end;) {
                const std::span<std::uint8_t> space = buffer.freeSpace();
                const std::size_t n = std::min(space.size(), end - offset);
                std::memcpy(space.data(), stream.data() + offset, n);
                buffer.commit(n);
                offset += n;
                benchmark::DoNotOptimize(buffer.takeOut(sink));
            }
        }
        if (count != kMessages) {
            state.SkipWithError("messages lost");
        }
        benchmark::DoNotOptimize(checksum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_TakeOutAndRead10000ByType)->Unit(benchmark::kMicrosecond);

void BM_MemcpyOfTheSameBytes(benchmark::State& state) {
    const std::vector<std::uint8_t> stream = lf_byTypeStream();
    std::vector<std::uint8_t> target(stream.size());
    for (auto _ : state) {
        std::memcpy(target.data(), stream.data(), stream.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_MemcpyOfTheSameBytes)->Unit(benchmark::kMicrosecond);

} // namespace
