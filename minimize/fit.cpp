// The search over output phases, around the minimizing loop.
#include <algorithm>
#include <bit>
#include <memory>

#include "minimize/cover.h"
#include "minimize/minimize.h"

namespace {

// The effort of a whole search, in steps of about one word of a point set: some two
// seconds on one core of a 2 GHz machine. Most tables need less than a hundredth.
constexpr std::uint64_t effort_steps = 600'000'000;
// The effort a lower bound may take, for each output in each phase, when no cover was
// found small enough.
constexpr std::uint64_t bound_steps = 5'000'000;
// Past this many terms, a last-resort cover is left as grown.
constexpr std::size_t minimized_terms = 1024;

using plain_sets = std::array<point_set, pla_output_count>;

std::unique_ptr<plain_sets> sets_of(std::span<const std::uint8_t, fit_table_size> table) {
    auto sets = std::make_unique<plain_sets>();
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            (*sets)[output][word / 64] |= std::uint64_t{(table[word] >> output) & 1U} << (word % 64);
        }
    }
    return sets;
}

// The on-sets of all outputs for the phases `inverted`.
std::unique_ptr<output_sets> phased(const plain_sets& plain, unsigned inverted) {
    auto function = std::make_unique<output_sets>();
    function->outputs = 0xFF;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const std::uint64_t flip = ((inverted >> output) & 1U) != 0 ? ~std::uint64_t{0} : 0;
        for (std::size_t word = 0; word < point_set_words; ++word) {
            function->on[output][word] = plain[output][word] ^ flip;
        }
    }
    return function;
}

point_set complement(const point_set& set) {
    point_set flipped{};
    std::transform(set.begin(), set.end(), flipped.begin(), [](std::uint64_t word) { return ~word; });
    return flipped;
}

// An isolated point of an output's on-set needs a term of its own, one no other point of
// that output can share. Each output, in whichever phase, needs that many.
std::size_t isolated_bound(const plain_sets& plain) {
    std::size_t bound = 0;
    for (const point_set& high : plain) {
        const std::size_t in_phase = count_points(isolated_points(high));
        const std::size_t inverted = count_points(isolated_points(complement(high)));
        bound = std::max(bound, std::min(in_phase, inverted));
    }
    return bound;
}

// The same with more points: those no two of which can share a term.
std::size_t independent_bound(const plain_sets& plain) {
    std::size_t bound = 0;
    for (const point_set& high : plain) {
        effort in_phase_budget(bound_steps);
        effort inverted_budget(bound_steps);
        const std::size_t in_phase = independent_points(high, in_phase_budget);
        const std::size_t inverted = independent_points(complement(high), inverted_budget);
        bound = std::max(bound, std::min(in_phase, inverted));
    }
    return bound;
}

// One output alone, in one phase: its cover, or none past the cap.
struct single_cover {
    cover terms;
    bool capped;
};

bool better(const cover& left, const cover& right) {
    return cost_of(left) < cost_of(right);
}

// An output that needs more than twice max_terms alone, in a phase, rules that phase out;
// capped so that a cover of all eight outputs stays far below 65,536 terms.
constexpr std::size_t cap_for(std::size_t max_terms) noexcept {
    return 2 * std::clamp<std::size_t>(max_terms, 32, 2048);
}

class phase_search {
public:
    phase_search(const plain_sets& plain, std::size_t max_terms)
        : plain_(plain), cap_(cap_for(max_terms)), budget_(effort_steps) {}

    fit_result run(std::size_t max_terms, std::size_t lower_bound);

private:
    void cover_outputs_alone();
    [[nodiscard]] std::uint8_t preferred_phases() const;
    [[nodiscard]] cover start_from(const cover& terms, unsigned output, unsigned inverted) const;
    fit_result last_resort(std::size_t lower_bound, unsigned inverted);
    [[nodiscard]] unsigned fewer_points() const;
    [[nodiscard]] unsigned capped_outputs() const;

    const plain_sets& plain_;
    std::size_t cap_;
    effort budget_;
    std::array<std::array<single_cover, 2>, pla_output_count> alone_{};
};

void phase_search::cover_outputs_alone() {
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (unsigned phase = 0; phase < 2; ++phase) {
            const auto function = phased(plain_, phase != 0 ? 0xFFU : 0U);
            function->outputs = static_cast<std::uint8_t>(1U << output);
            single_cover& alone = alone_[output][phase];
            alone.terms = greedy_cover(*function, cap_, budget_);
            alone.capped = alone.terms.size() > cap_;
            if (!alone.capped) {
                alone.terms = minimize_cover(std::move(alone.terms), *function, budget_);
            }
        }
    }
}

// For each output, the phase it covers alone with fewer terms.
std::uint8_t phase_search::preferred_phases() const {
    unsigned inverted = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const auto& phases = alone_[output];
        if (!phases[1].capped && (phases[0].capped || better(phases[1].terms, phases[0].terms))) {
            inverted |= 1U << output;
        }
    }
    return static_cast<std::uint8_t>(inverted);
}

// A cover for the phases `inverted` from one for those phases with `output` in the other
// phase: the terms kept for the other outputs, and the output's own cover.
cover phase_search::start_from(const cover& terms, unsigned output, unsigned inverted) const {
    cover start;
    for (fit_term term : terms) {
        term.outputs = static_cast<std::uint8_t>(term.outputs & ~(1U << output));
        if (term.outputs != 0) {
            start.push_back(term);
        }
    }
    const cover& alone = alone_[output][(inverted >> output) & 1U].terms;
    start.insert(start.end(), alone.begin(), alone.end());
    return start;
}

// No cover can be small enough: one cover, in the phases that look smaller, minimized if
// it is not too large.
fit_result phase_search::last_resort(std::size_t lower_bound, unsigned inverted) {
    const auto function = phased(plain_, inverted);
    cover terms = greedy_cover(*function, SIZE_MAX, budget_);
    if (terms.size() <= minimized_terms) {
        terms = minimize_cover(std::move(terms), *function, budget_);
    }
    return {false, static_cast<std::uint8_t>(inverted), std::move(terms),
            std::max(lower_bound, independent_bound(plain_))};
}

// The outputs too large to cover alone in either phase.
unsigned phase_search::capped_outputs() const {
    unsigned capped = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (alone_[output][0].capped && alone_[output][1].capped) {
            capped |= 1U << output;
        }
    }
    return capped;
}

// The phases of fewer points, for a table too large to cover at all.
unsigned phase_search::fewer_points() const {
    unsigned inverted = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (count_points(plain_[output]) > fit_table_size / 2) {
            inverted |= 1U << output;
        }
    }
    return inverted;
}

fit_result phase_search::run(std::size_t max_terms, std::size_t lower_bound) {
    if (lower_bound > max_terms) {
        return last_resort(lower_bound, fewer_points());
    }
    cover_outputs_alone();
    unsigned inverted = preferred_phases();
    if (const unsigned capped = capped_outputs(); capped != 0) {
        return last_resort(lower_bound, (inverted & ~capped) | (fewer_points() & capped));
    }
    cover start;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const cover& alone = alone_[output][(inverted >> output) & 1U].terms;
        start.insert(start.end(), alone.begin(), alone.end());
    }
    cover best = minimize_cover(std::move(start), *phased(plain_, inverted), budget_);
    // Flip one output at a time while that lowers the cost.
    std::array<bool, 256> tried{};
    tried[inverted] = true;
    bool improved = true;
    while (improved && !budget_.exhausted()) {
        improved = false;
        for (unsigned output = 0; output < pla_output_count && !improved && !budget_.exhausted(); ++output) {
            const unsigned flipped = inverted ^ (1U << output);
            if (tried[flipped] || alone_[output][(flipped >> output) & 1U].capped) {
                continue;
            }
            tried[flipped] = true;
            cover candidate = minimize_cover(start_from(best, output, flipped), *phased(plain_, flipped), budget_);
            if (better(candidate, best)) {
                best = std::move(candidate);
                inverted = flipped;
                improved = true;
            }
        }
    }
    const bool found = best.size() <= max_terms;
    return {found, static_cast<std::uint8_t>(inverted), std::move(best),
            found ? lower_bound : std::max(lower_bound, independent_bound(plain_))};
}

} // namespace

fit_result fit_truth_table(std::span<const std::uint8_t, fit_table_size> table, std::size_t max_terms) {
    const auto plain = sets_of(table);
    phase_search search(*plain, max_terms);
    return search.run(max_terms, isolated_bound(*plain));
}
