// Each benchmark holds one 64 KiB dump against the built-in image, per iteration: the
// dumps are the hard cases, where hypotheses survive the first checks or every byte differs.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>

#include "diagnosis/diagnosis.h"
#include "eprom/image.h"

namespace {

using image_bytes = std::array<std::uint8_t, eprom_image_size>;

const image_bytes& image() {
    static const auto built = [] {
        image_bytes bytes{};
        build_eprom_image(bytes);
        return bytes;
    }();
    return built;
}

unsigned swapped(unsigned value, unsigned m, unsigned n) {
    const unsigned differ = ((value >> m) ^ (value >> n)) & 1U;
    return value ^ (differ << m) ^ (differ << n);
}

template <typename Make>
void diagnose(benchmark::State& state, eprom_verdict verdict, Make make) {
    static image_bytes dump;
    make(dump);
    if (verify_eprom_dump(image(), dump).verdict != verdict) {
        state.SkipWithError("the dump is not diagnosed as it should be");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(verify_eprom_dump(image(), dump));
    }
}

void matches(benchmark::State& state) {
    diagnose(state, eprom_verdict::matches, [](image_bytes& dump) { dump = image(); });
}

// Nearly every byte differs, and the accumulated lines settle it.
void data_line_stuck(benchmark::State& state) {
    diagnose(state, eprom_verdict::data_line_stuck, [](image_bytes& dump) {
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            dump[address] = image()[address] & 0xBFU;
        }
    });
}

// A whole pass through the byte table.
void data_lines_swapped(benchmark::State& state) {
    diagnose(state, eprom_verdict::data_lines_swapped, [](image_bytes& dump) {
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            dump[address] = static_cast<std::uint8_t>(swapped(image()[address], 2, 6));
        }
    });
}

// A whole pass through the address map a byte at a time (A0 moves single bytes), after
// the data lines are ruled out.
void address_lines_swapped(benchmark::State& state) {
    diagnose(state, eprom_verdict::address_lines_swapped, [](image_bytes& dump) {
        for (unsigned address = 0; address < eprom_image_size; ++address) {
            dump[address] = image()[swapped(address, 0, 15)];
        }
    });
}

// One bit read 0 at the last address: every address line is at one level over the
// differences, so every stuck line must be tried.
void last_byte_not_erased(benchmark::State& state) {
    diagnose(state, eprom_verdict::not_erased, [](image_bytes& dump) {
        dump = image();
        dump[0xFFFF] &= 0xFEU;
    });
}

// Two bytes wrong, one bit each way (0xBF reads 0xFF, 0xFF reads 0x7F), at addresses
// apart in every line.
void two_bytes_unexplained(benchmark::State& state) {
    diagnose(state, eprom_verdict::unexplained, [](image_bytes& dump) {
        dump = image();
        dump[0x5555] ^= 0x40U;
        dump[0xAAAA] ^= 0x80U;
    });
}

// D1 stuck at 0 and A3 stuck at 1: the data line, then the address line for the rest.
void two_faults(benchmark::State& state) {
    diagnose(state, eprom_verdict::data_line_stuck, [](image_bytes& dump) {
        for (unsigned address = 0; address < eprom_image_size; ++address) {
            dump[address] = image()[address | 0x8U] & 0xFDU;
        }
    });
}

// A0 and A15 swapped, and three stray bits: a whole pass a byte at a time, then the rest
// diagnosed on its own.
void swap_and_stray_bits(benchmark::State& state) {
    diagnose(state, eprom_verdict::address_lines_swapped, [](image_bytes& dump) {
        for (unsigned address = 0; address < eprom_image_size; ++address) {
            dump[address] = image()[swapped(address, 0, 15)];
        }
        dump[0x0ED9] ^= 0x04U;
        dump[0x7F83] ^= 0x40U;
        dump[0x82C9] ^= 0x80U;
    });
}

// A0 and A1 shorted, their AND: a fault tried after every swap.
void address_lines_shorted(benchmark::State& state) {
    diagnose(state, eprom_verdict::address_lines_shorted, [](image_bytes& dump) {
        for (unsigned address = 0; address < eprom_image_size; ++address) {
            dump[address] = image()[((address ^ (address >> 1)) & 1U) != 0 ? address & ~3U : address];
        }
    });
}

// Every byte differs; every wrong bit is counted.
void random_dump(benchmark::State& state) {
    diagnose(state, eprom_verdict::unexplained, [](image_bytes& dump) {
        std::mt19937 random(1U);
        for (std::uint8_t& byte : dump) {
            byte = static_cast<std::uint8_t>(random());
        }
    });
}

} // namespace

BENCHMARK(matches)->Unit(benchmark::kMicrosecond);
BENCHMARK(data_line_stuck)->Unit(benchmark::kMicrosecond);
BENCHMARK(data_lines_swapped)->Unit(benchmark::kMicrosecond);
BENCHMARK(address_lines_swapped)->Unit(benchmark::kMicrosecond);
BENCHMARK(last_byte_not_erased)->Unit(benchmark::kMicrosecond);
BENCHMARK(two_bytes_unexplained)->Unit(benchmark::kMicrosecond);
BENCHMARK(two_faults)->Unit(benchmark::kMicrosecond);
BENCHMARK(swap_and_stray_bits)->Unit(benchmark::kMicrosecond);
BENCHMARK(address_lines_shorted)->Unit(benchmark::kMicrosecond);
BENCHMARK(random_dump)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
