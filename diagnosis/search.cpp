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
class place_lines {
public:
    explicit place_lines(std::span<const std::uint16_t> places) noexcept {
        for (std::size_t place = 0; place < places.size(); ++place) {
            all_ |= 1U << place;
            for (unsigned line = 0; line < eprom_address_line_count; ++line) {
                at_1_.at(line) |= bit_of(places[place], line) << place;
            }
        }
    }

    // How many of the places the address fault cannot explain (0 for any other fault).
    [[nodiscard]] std::size_t unexplained(const fault& candidate) const noexcept {
        unsigned left = 0;
        switch (candidate.verdict) {
        case eprom_verdict::address_line_stuck:
            left = candidate.level != 0 ? at_1_.at(candidate.lower) : all_ & ~at_1_.at(candidate.lower);
            break;
        case eprom_verdict::address_lines_swapped:
        case eprom_verdict::address_lines_shorted:
            left = all_ & ~(at_1_.at(candidate.lower) ^ at_1_.at(candidate.upper));
            break;
        default:
            break;
        }
        return static_cast<std::size_t>(std::popcount(left));
    }

private:
    std::array<unsigned, eprom_address_line_count> at_1_{};
    unsigned all_ = 0;
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
        // Left uninitialized, as each piece is written before it is read (the page's C++
        // library has no make_unique_for_overwrite).
        // NOLINTNEXTLINE(cppcoreguidelines-owning-memory, modernize-make-unique, *-avoid-c-arrays): see image_buffer
        read.reset(new std::uint8_t[eprom_image_size]);
    }
    const image_bytes out{read.get(), eprom_image_size};
    std::size_t besides = 0;
    for (std::size_t begin = 0; begin < eprom_image_size && besides <= most; begin += piece) {
        reader.read_through(candidate, bytes.dump, out, begin, begin + piece);
        besides += count_differing(out, bytes.dump, begin, begin + piece, blocks);
    }
    return besides;
}

// One search: the faults held against the places, then counted.
class searcher {
public:
    searcher(const side_by_side& bytes, const byte_summary& summary, const sampled_places& places,
             const fault_reader& reader, bool partial)
        : bytes_(bytes), summary_(summary), reader_(reader), partial_(partial),
          all_(places.addresses.data(), places.wrong + places.right),
          first_(all_.first(std::min(first_places, places.wrong))), then_(all_.subspan(first_.size())),
          misses_first_(partial ? first_.size() / 6 : 0),
          misses_all_(partial ? places.wrong / 8 + places.right / 16 : 0),
          misses_stuck_(partial ? places.wrong * 3 / 4 + places.right / 2 + 2 : 0) {}

    // The faults that read nearly all the places as the dump does (all, unless partial),
    // in their order, then the data lines stuck.
    void hold_against_places(const std::vector<fault>& faults) {
        const place_lines lines(first_);
        for (const fault& candidate : faults) {
            if (lines.unexplained(candidate) > misses_first_) {
                continue;
            }
            const std::size_t missed_first = reader_.misses(candidate, first_, bytes_.dump, misses_first_);
            if (missed_first > misses_first_) {
                continue;
            }
            const std::size_t missed =
                missed_first + reader_.misses(candidate, then_, bytes_.dump, misses_all_ - missed_first);
            if (missed <= misses_all_) {
                survivors_.push_back({candidate, missed});
            }
        }
        // The lines stuck throughout, named when they explain at least half the wrong
        // bytes; with those stuck at every place, when they explain nearly all (a line
        // stuck, and a few stray bits on it).
        throughout_ = stuck_lines_of(bytes_, summary_, all_, true);
        if (throughout_) {
            const std::size_t missed = reader_.misses(*throughout_, all_, bytes_.dump, misses_stuck_);
            if (missed <= misses_stuck_) {
                survivors_.push_back({*throughout_, missed});
            }
        }
        if (const auto at_places = stuck_lines_of(bytes_, summary_, all_, false);
            partial_ && at_places && !is_throughout(*at_places)) {
            const std::size_t missed = reader_.misses(*at_places, all_, bytes_.dump, misses_all_);
            if (missed <= misses_all_) {
                survivors_.push_back({*at_places, missed});
            }
        }
    }

    // Byte for byte: the first, in the order of the faults, that misses no place and leaves
    // no byte wrong. The first that misses no place is counted whole, and is the best so far
    // if it explains nearly all; any after it only until a byte is wrong.
    bool find_exact() {
        for (survivor& each : survivors_) {
            if (each.missed != 0) {
                continue;
            }
            const bool whole = partial_ && !best_;
            each.counted = whole;
            if (count(each.candidate, whole ? most_besides(each.candidate) : 0, whole ? piece : exact_piece)) {
                if (best_->besides == 0) {
                    return true;
                }
            } else if (whole) {
                ++short_of_;
            }
        }
        return false;
    }

    // Nearly all: of those that miss the fewest places, the one that leaves the fewest
    // bytes wrong (data lines stuck first). Counting is most of the cost: after a few
    // counted whole that fall short, no other is (but the lines stuck throughout).
    void find_nearly_all() {
        std::stable_sort(survivors_.begin(), survivors_.end(), [](const survivor& one, const survivor& other) {
            const bool one_stuck = one.candidate.verdict == eprom_verdict::data_lines_stuck;
            const bool other_stuck = other.candidate.verdict == eprom_verdict::data_lines_stuck;
            return one_stuck != other_stuck ? one_stuck : one.missed < other.missed;
        });
        for (const survivor& each : survivors_) {
            const bool throughout_lines = is_throughout(each.candidate);
            if (each.counted || (short_of_ >= most_short && !throughout_lines)) {
                continue;
            }
            std::size_t most = most_besides(each.candidate);
            if (best_) {
                most = std::min(most, best_->besides - 1);
            }
            if (!count(each.candidate, most, piece) && !throughout_lines) {
                ++short_of_;
            }
        }
    }

    [[nodiscard]] bool partial() const noexcept {
        return partial_;
    }

    // The best so far, with the image as it reads it left in `read`.
    std::optional<search_outcome> best(image_buffer& read) {
        std::swap(best_read_, read);
        return best_;
    }

private:
    static constexpr std::size_t first_places = 12;
    static constexpr std::size_t piece = 4096;
    static constexpr std::size_t exact_piece = 1024;
    static constexpr std::size_t most_short = 2;

    [[nodiscard]] bool is_throughout(const fault& candidate) const noexcept {
        return throughout_ && candidate.verdict == eprom_verdict::data_lines_stuck &&
               candidate.lower == throughout_->lower;
    }

    // Nearly all: an eighth of the wrong bytes left at most; data lines stuck throughout,
    // half; at every place only, a sixty-fourth.
    [[nodiscard]] std::size_t most_besides(const fault& candidate) const noexcept {
        if (candidate.verdict != eprom_verdict::data_lines_stuck) {
            return summary_.differing / 8;
        }
        return is_throughout(candidate) ? summary_.differing / 2 : summary_.differing / 64;
    }

    // Whether the candidate leaves at most `most` bytes wrong: if so, the best so far.
    bool count(const fault& candidate, std::size_t most, std::size_t piece_size) {
        block_map blocks;
        const std::size_t besides = count_besides(bytes_, reader_, candidate, most, trial_, blocks, piece_size);
        if (besides > most) {
            return false;
        }
        best_ = search_outcome{candidate, besides, blocks};
        std::swap(trial_, best_read_);
        return true;
    }

    const side_by_side& bytes_;
    const byte_summary& summary_;
    const fault_reader& reader_;
    bool partial_;
    std::span<const std::uint16_t> all_;
    std::span<const std::uint16_t> first_;
    std::span<const std::uint16_t> then_;
    std::size_t misses_first_;
    std::size_t misses_all_;
    std::size_t misses_stuck_;
    std::vector<survivor> survivors_;
    std::optional<fault> throughout_;
    std::optional<search_outcome> best_;
    image_buffer trial_;
    image_buffer best_read_;
    std::size_t short_of_ = 0;
};

} // namespace

std::optional<search_outcome> search_faults(const side_by_side& bytes, const byte_summary& summary,
                                            const sampled_places& places, const std::vector<fault>& faults,
                                            const fault_reader& reader, bool partial, image_buffer& read) {
    searcher search(bytes, summary, places, reader, partial);
    search.hold_against_places(faults);
    if (!search.find_exact() && search.partial()) {
        search.find_nearly_all();
    }
    return search.best(read);
}

} // namespace diagnosis_detail
