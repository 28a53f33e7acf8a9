// Irredundant: terms dropped while every point stays covered.
#include <algorithm>
#include <bit>

#include "minimize/cover.h"

namespace {

std::size_t output_count(unsigned outputs) noexcept {
    return static_cast<std::size_t>(std::popcount(outputs));
}

// Whether every needed point of the term, for every output it feeds, has another term too.
bool redundant(const fit_term& term, const output_sets& function, const coverage& counts, effort& budget) {
    budget.spend(cube_words(term.care) * output_count(term.outputs));
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((term.outputs >> output) & 1U) != 0 &&
            !for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t mask) {
                return (mask & function.need[output][word] & ~counts.at_least_two(output, word)) == 0;
            })) {
            return false;
        }
    }
    return true;
}

// Whether dropping `term` would leave `other` the only term over one of its needed points.
bool makes_needed(const fit_term& term, const fit_term& other, const output_sets& function, const coverage& counts,
                  effort& budget) {
    const unsigned shared = term.outputs & other.outputs;
    if (shared == 0 || (term.care & other.care & (term.levels ^ other.levels)) != 0) {
        return false;
    }
    const cube both{static_cast<unsigned>(term.care | other.care), static_cast<unsigned>(term.levels | other.levels)};
    budget.spend(cube_words(both.care) * output_count(shared));
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((shared >> output) & 1U) != 0 && !for_each_cube_word(both, [&](std::size_t word, std::uint64_t mask) {
                return (mask & function.need[output][word] & counts.exactly_two(output, word)) == 0;
            })) {
            return true;
        }
    }
    return false;
}

// Past this many candidates, the cheaper choice: the smallest term first.
constexpr std::size_t weighed_candidates = 64;

} // namespace

void make_irredundant(cover& terms, const output_sets& function, effort& budget) {
    coverage counts(terms, budget);
    std::vector<std::size_t> candidates;
    for (std::size_t index = 0; index < terms.size(); ++index) {
        if (redundant(terms[index], function, counts, budget)) {
            candidates.push_back(index);
        }
    }
    std::vector<std::uint8_t> dropped(terms.size(), 0);
    while (!candidates.empty()) {
        // Drop the term whose going leaves most other candidates droppable; of those, the
        // smallest. A dropped term never comes back, and a needed one stays needed.
        std::size_t choice = 0;
        std::pair<std::ptrdiff_t, int> best{PTRDIFF_MAX, 0};
        for (std::size_t place = 0; place < candidates.size(); ++place) {
            const fit_term& term = terms[candidates[place]];
            const auto harm = candidates.size() > weighed_candidates
                                  ? std::ptrdiff_t{0}
                                  : std::count_if(candidates.begin(), candidates.end(), [&](std::size_t other) {
                                        return other != candidates[place] &&
                                               makes_needed(term, terms[other], function, counts, budget);
                                    });
            const std::pair<std::ptrdiff_t, int> score{harm, -std::popcount(term.care)};
            if (score < best) {
                best = score;
                choice = place;
            }
        }
        const std::size_t index = candidates[choice];
        counts.remove(terms[index], terms[index].outputs, budget);
        dropped[index] = 1;
        candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(choice));
        std::erase_if(candidates,
                      [&](std::size_t other) { return !redundant(terms[other], function, counts, budget); });
    }
    std::size_t kept = 0;
    for (std::size_t index = 0; index < terms.size(); ++index) {
        if (dropped[index] == 0) {
            terms[kept++] = terms[index];
        }
    }
    terms.resize(kept);
}

void drop_redundant_outputs(cover& terms, const output_sets& function, effort& budget) {
    coverage counts(terms, budget);
    for (fit_term& term : terms) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            const fit_term alone{term.care, term.levels, static_cast<std::uint8_t>(1U << output)};
            if (((term.outputs >> output) & 1U) != 0 && redundant(alone, function, counts, budget)) {
                counts.remove(term, 1U << output, budget);
                term.outputs = static_cast<std::uint8_t>(term.outputs & ~(1U << output));
            }
        }
    }
}
