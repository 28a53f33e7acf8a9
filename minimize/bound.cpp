// The lower bound over all polarities: sets of pairs (input word, output) no two of which
// one term can hold, grown output by output down a tree of polarity choices.
#include "minimize/bound.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <utility>

namespace {

bool holds(const point_set& set, unsigned point) noexcept {
    return ((set[point / 64] >> (point % 64)) & 1U) != 0;
}

unsigned neighbours_in(const point_set& set, unsigned point) noexcept {
    unsigned neighbours = 0;
    for (unsigned input = 0; input < pla_input_count; ++input) {
        neighbours += holds(set, point ^ (1U << input)) ? 1 : 0;
    }
    return neighbours;
}

// Past this many points of a term, the first ones only are weighed.
constexpr std::size_t weighed_points = 4096;

// What a check costs beside the words it reads.
constexpr std::size_t check_steps = 8;

struct pair_point {
    std::uint16_t point;
    std::uint8_t output;
    std::uint8_t phase;
};

// The candidate pairs of every output and phase, and which two of them one term can hold,
// each pair of pairs checked once.
class pair_graph {
public:
    pair_graph(const phase_sets& sets, const phase_candidates& candidates, effort& budget)
        : sets_(sets), budget_(budget) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            for (unsigned phase = 0; phase < 2; ++phase) {
                first_[output][phase] = pairs_.size();
                for (const std::uint16_t point : candidates[output][phase]) {
                    pairs_.push_back({point, static_cast<std::uint8_t>(output), static_cast<std::uint8_t>(phase)});
                }
            }
        }
        for (unsigned output = 0; output < pla_output_count; ++output) {
            last_[output][0] = first_[output][1];
            last_[output][1] = output + 1 < pla_output_count ? first_[output + 1][0] : pairs_.size();
        }
        known_.assign(pairs_.size() * pairs_.size(), 0);
    }

    [[nodiscard]] std::pair<std::size_t, std::size_t> group(unsigned output, unsigned phase) const noexcept {
        return {first_[output][phase], last_[output][phase]};
    }

    // Whether one term can hold both pairs: the smallest cube holding both words is inside
    // the on-sets of both outputs.
    bool shareable(std::size_t left, std::size_t right) {
        std::uint8_t& known = known_[left * pairs_.size() + right];
        if (known == 0) {
            const pair_point& one = pairs_[left];
            const pair_point& other = pairs_[right];
            const unsigned care = ~(static_cast<unsigned>(one.point) ^ other.point) & all_inputs;
            const point_set& first = sets_.on[one.output][one.phase];
            const point_set& second = sets_.on[other.output][other.phase];
            std::size_t words = 0;
            const bool inside = for_each_cube_word({care, one.point & care}, [&](std::size_t word, std::uint64_t mask) {
                ++words;
                return (first[word] & second[word] & mask) == mask;
            });
            budget_.spend(check_steps + words);
            known = inside ? 2 : 1;
            known_[right * pairs_.size() + left] = known;
        }
        return known == 2;
    }

    [[nodiscard]] bool exhausted() const noexcept {
        return budget_.exhausted();
    }

private:
    const phase_sets& sets_;
    effort& budget_;
    std::vector<pair_point> pairs_;
    std::array<std::array<std::size_t, 2>, pla_output_count> first_{};
    std::array<std::array<std::size_t, 2>, pla_output_count> last_{};
    std::vector<std::uint8_t> known_; // 0 not checked yet, 1 apart, 2 shareable
};

// Pairs of the decided outputs (the pool) and, among them, pairs no two of which one term
// can hold (the chosen).
struct independent_set {
    std::vector<std::size_t> pool;
    std::vector<std::size_t> chosen;
};

// The pairs of the pool that can join the chosen: apart from every one of them.
bool apart_from_all(pair_graph& graph, const std::vector<std::size_t>& chosen, std::size_t candidate) {
    return std::none_of(chosen.begin(), chosen.end(),
                        [&](std::size_t member) { return graph.shareable(member, candidate); });
}

// Adds the pairs of one output in one phase: those shareable with fewest of the pool first.
void add_group(pair_graph& graph, independent_set& set, std::pair<std::size_t, std::size_t> group) {
    std::vector<std::pair<std::size_t, std::size_t>> ranked; // shareable count, pair
    for (std::size_t candidate = group.first; candidate < group.second && !graph.exhausted(); ++candidate) {
        std::size_t shared = 0;
        for (const std::size_t member : set.pool) {
            shared += graph.shareable(member, candidate) ? 1 : 0;
        }
        for (std::size_t other = group.first; other < group.second; ++other) {
            shared += other != candidate && graph.shareable(other, candidate) ? 1 : 0;
        }
        ranked.emplace_back(shared, candidate);
    }
    std::stable_sort(ranked.begin(), ranked.end());
    for (std::size_t candidate = group.first; candidate < group.second; ++candidate) {
        set.pool.push_back(candidate);
    }
    for (const auto& [shared, candidate] : ranked) {
        if (apart_from_all(graph, set.chosen, candidate)) {
            set.chosen.push_back(candidate);
        }
    }
}

// Local search: a chosen pair traded for two pool pairs that each share a term with it
// alone among the chosen and cannot share one with each other; free pairs taken as met.
void improve(pair_graph& graph, independent_set& set) {
    std::vector<std::uint8_t> chosen_mark;
    bool improved = true;
    while (improved && !graph.exhausted()) {
        improved = false;
        chosen_mark.assign(set.pool.empty() ? 0 : *std::max_element(set.pool.begin(), set.pool.end()) + 1, 0);
        for (const std::size_t member : set.chosen) {
            chosen_mark[member] = 1;
        }
        // For each chosen pair, the pool pairs whose only shareable chosen pair it is.
        std::vector<std::vector<std::size_t>> tight(set.chosen.size());
        for (const std::size_t candidate : set.pool) {
            if (chosen_mark[candidate] != 0) {
                continue;
            }
            std::size_t mates = 0;
            std::size_t mate = 0;
            for (std::size_t place = 0; place < set.chosen.size() && mates < 2; ++place) {
                if (graph.shareable(set.chosen[place], candidate)) {
                    ++mates;
                    mate = place;
                }
            }
            if (mates == 0) {
                set.chosen.push_back(candidate);
                chosen_mark[candidate] = 1;
                tight.emplace_back();
                improved = true;
            } else if (mates == 1) {
                tight[mate].push_back(candidate);
            }
        }
        if (improved) {
            continue;
        }
        for (std::size_t place = 0; place < set.chosen.size() && !improved && !graph.exhausted(); ++place) {
            const std::vector<std::size_t>& loose = tight[place];
            for (std::size_t one = 0; one < loose.size() && !improved; ++one) {
                for (std::size_t other = one + 1; other < loose.size(); ++other) {
                    if (!graph.shareable(loose[one], loose[other])) {
                        set.chosen[place] = loose[one];
                        set.chosen.push_back(loose[other]);
                        improved = true;
                        break;
                    }
                }
            }
        }
    }
}

class polarity_tree {
public:
    polarity_tree(pair_graph& graph, std::array<unsigned, pla_output_count> order, std::size_t target)
        : graph_(graph), order_(order), target_(target) {}

    // The least bound over the polarities of the outputs from order_[depth] on, given
    // those before.
    std::size_t search(std::size_t depth, const independent_set& decided) {
        std::size_t least = SIZE_MAX;
        for (unsigned phase = 0; phase < 2; ++phase) {
            if (graph_.exhausted()) {
                return std::min(least, decided.chosen.size());
            }
            independent_set next = decided;
            add_group(graph_, next, graph_.group(order_[depth], phase));
            improve(graph_, next);
            const std::size_t bound = next.chosen.size() >= target_ || depth + 1 == pla_output_count
                                          ? next.chosen.size()
                                          : search(depth + 1, next);
            least = std::min(least, bound);
        }
        return least;
    }

private:
    pair_graph& graph_;
    std::array<unsigned, pla_output_count> order_;
    std::size_t target_;
};

} // namespace

std::vector<std::uint16_t> distinguished_points(const cover& terms, const output_sets& function, unsigned output,
                                                std::size_t per_term, effort& budget) {
    const coverage counts(terms, budget);
    const point_set& need = function.need[output];
    const point_set& on = function.on[output];
    std::vector<std::uint16_t> chosen;
    std::vector<std::pair<unsigned, std::uint16_t>> ranked; // neighbours, point
    for (const fit_term& term : terms) {
        if (((term.outputs >> output) & 1U) == 0) {
            continue;
        }
        ranked.clear();
        budget.spend(cube_words(term.care));
        for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t mask) {
            for (std::uint64_t alone = mask & need[word] & counts.exactly_one(output, word); alone != 0;
                 alone &= alone - 1) {
                const auto point = static_cast<unsigned>(word * 64 + static_cast<std::size_t>(std::countr_zero(alone)));
                ranked.emplace_back(neighbours_in(on, point), static_cast<std::uint16_t>(point));
            }
            return ranked.size() < weighed_points;
        });
        budget.spend(ranked.size());
        const std::size_t kept = std::min(per_term, ranked.size());
        std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept), ranked.end());
        for (std::size_t place = 0; place < kept; ++place) {
            chosen.push_back(ranked[place].second);
        }
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    return chosen;
}

std::size_t polarity_bound(const phase_sets& sets, const phase_candidates& candidates, std::size_t target,
                           effort& budget) {
    pair_graph graph(sets, candidates, budget);
    // The outputs with most candidates first: they raise the bound soonest.
    std::array<unsigned, pla_output_count> order{};
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(), [&](unsigned left, unsigned right) {
        return std::min(candidates[left][0].size(), candidates[left][1].size()) >
               std::min(candidates[right][0].size(), candidates[right][1].size());
    });
    polarity_tree tree(graph, order, target);
    return tree.search(0, {});
}
