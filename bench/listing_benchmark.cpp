// The listing core over in-memory buffers, in megabytes of token per second.
#include "listing/listing_output.h"
#include "listing/pair_lines.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<unsigned char> random_token(std::size_t size, bool gbk_only)
{
    std::mt19937 random(42);
    std::vector<unsigned char> token(size);
    for (unsigned char& byte : token) {
        do byte = static_cast<unsigned char>(random());
        while (byte == ' ' || (byte >= '\t' && byte <= '\r') || (gbk_only && byte < 0x81));
    }
    return token;
}

void pair_lines(benchmark::State& state, bool gbk_only)
{
    constexpr std::size_t pairs_per_call = 32 * 1024;
    const std::vector<unsigned char> token = random_token(2 * pairs_per_call, gbk_only);
    std::vector<unsigned char> lines(pairs_per_call * longest_pair_line + pair_lines_overrun);
    for (auto _ : state) {
        benchmark::DoNotOptimize(put_pair_lines(token.data(), pairs_per_call, lines.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * token.size()));
}

void random_bytes(benchmark::State& state) { pair_lines(state, false); }
void gbk_bytes(benchmark::State& state) { pair_lines(state, true); }

// The same lines through the output, by the line maker it chose, into /dev/null.
void output_lines(benchmark::State& state)
{
    constexpr std::size_t pairs_per_call = 32 * 1024;
    const std::vector<unsigned char> token = random_token(2 * pairs_per_call, false);
    std::FILE* const null_device = std::fopen("/dev/null", "wb");
    const auto out = std::make_unique<listing_output>(null_device, false, text_encoding::gbk);
    for (auto _ : state) out->put_lines(token.data(), pairs_per_call);
    out->flush();
    std::fclose(null_device);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * token.size()));
}

BENCHMARK(random_bytes);
BENCHMARK(gbk_bytes);
BENCHMARK(output_lines);

}  // namespace

BENCHMARK_MAIN();
