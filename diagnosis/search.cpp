// Which fault turns the image into the dump, or nearly: each held against the sampled
// places, the few that read them as the dump does counted whole.
#include <algorithm>
#include <bit>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

// The data lines stuck, if any: those that read one level throughout and are wrong
// somewhere (`throughout`), or also those that read one level at every sampled place and
// are wrong at one.
std::optional<fault> stuck_lines_of(const side_by_side& bytes, const byte_summary& summary,
                                    std::span<const std::uint16_t> places, bool throughout) noexcept {
    unsigned all_1 = summary.always_1;
    unsigned any_1 = summary.ever_1;
    // A line that reads one level throughout is wrong somewhere unless the image has it
    // at that level throughout.
    unsigned differ = (all_1 & ~summary.image_always_1) | (~any_1 & summary.image_ever_1);
    if (!throughout) {
        all_1 = all_data_lines;
        any_1 = 0;
        differ = 0;
        for (const std::uint16_t address : places) {
            all_1 &= bytes.dump[address];
            any_1 |= bytes.dump[address];
            differ |= bytes.dump[address] ^ bytes.expected[address];
        }
    }
    const unsigned lines = (all_1 | ~any_1) & differ & all_data_lines;
    if (lines == 0) {
        return std::nullopt;
    }
    return fault{eprom_verdict::data_lines_stuck, static_cast<std::uint8_t>(lines), static_cast<std::uint8_t>(lines),
                 static_cast<std::uint8_t>(all_1 & lines)};
}

// At each of the first wrong places, which address lines are at 1 (bit k: the k-th
// place): an address fault explains a wrong place only where it reads another address,
// so a line stuck at v only where the line is not at v, two lines swapped or shorted only
// where they differ.
struct place_lines {
    std::array<unsigned, eprom_address_line_count> at_1{};
    unsigned all = 0;

    explicit place_lines(std::span<const std::uint16_t> places) noexcept {
        for (std::size_t place = 0; place < places.size(); ++place) {
            all |= 1U << place;
            for (unsigned line = 0; line < eprom_address_line_count; ++line) {
                at_1.at(line) |= bit_of(places[place], line) << place;
            }
        }
    }

    // How many of the places the address fault cannot explain (0 for any other fault).
    [[nodiscard]] std::size_t unexplained(const fault& candidate) const noexcept {
        unsigned left = 0;
        switch (candidate.verdict) {
        case eprom_verdict::address_line_stuck:
            left = candidate.level != 0 ? at_1.at(candidate.lower) : all & ~at_1.at(candidate.lower);
            break;
        case eprom_verdict::address_lines_swapped:
        case eprom_verdict::address_lines_shorted:
            left = all & ~(at_1.at(candidate.lower) ^ at_1.at(candidate.upper));
            break;
        default:
            break;
        }
        return static_cast<std::size_t>(std::popcount(left));
    }
};

struct survivor {
    fault candidate;
    std::size_t missed;
    bool counted = false; // whole, up to the most bytes nearly all leaves
};

// How many bytes differ between the dump and the image as `candidate` reads it (left in
// `read`, `piece` bytes at a time), or more than `most` when that is more.
std::size_t count_besides(const side_by_side& bytes, const fault_reader& reader, const fault& candidate,
                          std::size_t most, image_buffer& read, block_map& blocks, std::size_t piece) {
    if (!read) {
        read = std::make_unique_for_overwrite<std::uint8_t[]>(eprom_image_size);
    }
    const image_bytes out{read.get(), eprom_image_size};
    std::size_t besides = 0;
    for (std::size_t begin = 0; begin < eprom_image_size && besides <= most; begin += piece) {
        reader.read_through(candidate, bytes.dump, out, begin, begin + piece);
        besides += count_differing(read.get(), bytes.dump, begin, begin + piece, blocks);
    }
    return besides;
}

} // namespace

std::optional<search_outcome> search_faults(const side_by_side& bytes, const byte_summary& summary,
                                            const sampled_places& places, const std::vector<fault>& faults,
                                            const fault_reader& reader, bool partial, image_buffer& read) {
    // Nearly all: a fault that leaves at most an eighth of the wrong bytes (data lines
    // stuck: half); the places it may miss, with room for chance.
    constexpr std::size_t first_places = 12;
    const std::span<const std::uint16_t> all(places.addresses.data(), places.wrong + places.right);
    const std::span<const std::uint16_t> first = all.first(std::min(first_places, places.wrong));
    const std::span<const std::uint16_t> then = all.subspan(first.size());
    const std::size_t misses_first = partial ? first.size() / 6 : 0;
    const std::size_t misses_all = partial ? places.wrong / 8 + places.right / 16 : 0;
    const std::size_t misses_stuck = partial ? places.wrong * 3 / 4 + places.right / 2 + 2 : 0;

    std::vector<survivor> survivors;
    const place_lines lines(first);
    for (const fault& candidate : faults) {
        if (lines.unexplained(candidate) > misses_first) {
            continue;
        }
        const std::size_t missed_first = reader.misses(candidate, first, bytes.dump, misses_first);
        if (missed_first > misses_first) {
            continue;
        }
        const std::size_t missed = missed_first + reader.misses(candidate, then, bytes.dump, misses_all - missed_first);
        if (missed <= misses_all) {
            survivors.push_back({candidate, missed});
        }
    }
    // The lines stuck throughout, named when they explain at least half the wrong bytes;
    // with those stuck at every place, when they explain nearly all (a line stuck, and a
    // few stray bits on it).
    std::vector<survivor> stuck_lines;
    const auto throughout = stuck_lines_of(bytes, summary, all, true);
    if (throughout) {
        const std::size_t missed = reader.misses(*throughout, all, bytes.dump, misses_stuck);
        if (missed <= misses_stuck) {
            stuck_lines.push_back({*throughout, missed});
        }
    }
    if (const auto at_places = stuck_lines_of(bytes, summary, all, false);
        partial && at_places && (!throughout || at_places->lower != throughout->lower)) {
        const std::size_t missed = reader.misses(*at_places, all, bytes.dump, misses_all);
        if (missed <= misses_all) {
            stuck_lines.push_back({*at_places, missed});
        }
    }
    const auto most_besides = [&](const fault& candidate) {
        if (candidate.verdict != eprom_verdict::data_lines_stuck) {
            return summary.differing / 8;
        }
        return throughout && candidate.lower == throughout->lower ? summary.differing / 2 : summary.differing / 64;
    };

    std::optional<search_outcome> best;
    image_buffer trial;
    // Whether the candidate leaves at most `most` bytes wrong: if so, the best so far.
    const auto count = [&](const fault& candidate, std::size_t most, std::size_t piece) {
        block_map blocks;
        const std::size_t besides = count_besides(bytes, reader, candidate, most, trial, blocks, piece);
        if (besides > most) {
            return false;
        }
        best = search_outcome{candidate, besides, blocks};
        std::swap(trial, read);
        return true;
    };
    // Byte for byte: the first, in the order of the faults, that misses no place and
    // leaves no byte wrong. The first that misses no place is counted whole, and is the
    // best so far if it explains nearly all; any after it only until a byte is wrong.
    constexpr std::size_t piece = 4096;
    constexpr std::size_t exact_piece = 1024;
    // Counting is most of the cost: after a few counted whole that fall short, no other is
    // (but the lines stuck throughout).
    constexpr std::size_t most_short = 2;
    std::size_t short_of = 0;
    survivors.insert(survivors.end(), stuck_lines.begin(), stuck_lines.end());
    for (survivor& each : survivors) {
        if (each.missed != 0) {
            continue;
        }
        const bool whole = partial && !best;
        each.counted = whole;
        if (count(each.candidate, whole ? most_besides(each.candidate) : 0, whole ? piece : exact_piece)) {
            if (best->besides == 0) {
                return best;
            }
        } else if (whole) {
            ++short_of;
        }
    }
    if (!partial) {
        return std::nullopt;
    }
    // Nearly all: of those that miss the fewest places, the one that leaves the fewest
    // bytes wrong (data lines stuck first).
    std::stable_sort(survivors.begin(), survivors.end(), [](const survivor& one, const survivor& other) {
        const bool one_stuck = one.candidate.verdict == eprom_verdict::data_lines_stuck;
        const bool other_stuck = other.candidate.verdict == eprom_verdict::data_lines_stuck;
        return one_stuck != other_stuck ? one_stuck : one.missed < other.missed;
    });
    for (const survivor& each : survivors) {
        const bool throughout_lines = throughout && each.candidate.verdict == eprom_verdict::data_lines_stuck &&
                                      each.candidate.lower == throughout->lower;
        if (each.counted || (short_of >= most_short && !throughout_lines)) {
            continue;
        }
        std::size_t most = most_besides(each.candidate);
        if (best) {
            most = std::min(most, best->besides - 1);
        }
        if (!count(each.candidate, most, piece) && !throughout_lines) {
            ++short_of;
        }
    }
    return best;
}

} // namespace diagnosis_detail
