// The lower bound over all polarities: sets of pairs (input word, output) no two of which
// one term can hold, grown output by output down a tree of polarity choices.
#include "minimize/bound.h"

#include <memory>

#include <algorithm>
#include <bit>
#include <iterator>
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

// A fixed scrambling of the 65,536 input words: among points alike, those it ranks first
// are spread over the whole cube, not gathered at its lowest words, so that the candidates
// of different outputs seldom share a term.
constexpr unsigned scrambled(unsigned point) noexcept {
    return ((point * 40503U) ^ (point >> 7)) & 0xFFFFU;
}

// cube_word_mask of each cube of I0-I5: [care][levels].
constexpr auto word_masks = [] {
    std::array<std::array<std::uint64_t, 64>, 64> masks{};
    for (unsigned care = 0; care < 64; ++care) {
        for (unsigned levels = 0; levels < 64; ++levels) {
            masks[care][levels] = cube_word_mask({care, levels & care});
        }
    }
    return masks;
}();

// What a check costs beside the words it reads.
constexpr std::size_t check_steps = 8;
// The effort each polarity left to the exact cover gets in the first round.
constexpr std::uint64_t first_leaf_share = 1'000'000;

struct pair_point {
    std::uint16_t point;
    std::uint8_t output;
    std::uint8_t phase;
};

// A set of pair indices, one bit each.
using pair_bits = std::vector<std::uint64_t>;

bool has_bit(const pair_bits& bits, std::size_t index) noexcept {
    return ((bits[index / 64] >> (index % 64)) & 1U) != 0;
}

void set_bit(pair_bits& bits, std::size_t index) noexcept {
    bits[index / 64] |= std::uint64_t{1} << (index % 64);
}

// The candidate pairs of every output and phase, and which two of them one term can hold,
// each pair of pairs checked once, the answers kept as bit rows, one a pair.
class pair_graph {
public:
    pair_graph(const phase_sets& sets, const phase_candidates& candidates, effort& budget)
        : sets_(sets), budget_(budget) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            for (unsigned phase = 0; phase < 2; ++phase) {
                first_[output][phase] = pairs_.size();
                const std::vector<std::uint16_t>& points = candidates[output][phase];
                std::transform(points.begin(), points.end(), std::back_inserter(pairs_), [&](std::uint16_t point) {
                    return pair_point{point, static_cast<std::uint8_t>(output), static_cast<std::uint8_t>(phase)};
                });
            }
        }
        for (unsigned output = 0; output < pla_output_count; ++output) {
            last_[output][0] = first_[output][1];
            last_[output][1] = output + 1 < pla_output_count ? first_[output + 1][0] : pairs_.size();
        }
        row_words_ = (pairs_.size() + 63) / 64;
        row_bits_ = 64 * row_words_;
        apart_.assign(pairs_.size() * row_words_, 0);
        shared_.assign(pairs_.size() * row_words_, 0);
        group_shared_.assign(pairs_.size(), SIZE_MAX);
    }

    [[nodiscard]] std::pair<std::size_t, std::size_t> group(unsigned output, unsigned phase) const noexcept {
        return {first_[output][phase], last_[output][phase]};
    }

    [[nodiscard]] std::size_t row_words() const noexcept {
        return row_words_;
    }

    // Whether one term can hold both pairs: the smallest cube holding both words is inside
    // the on-sets of both outputs.
    bool shareable(std::size_t left, std::size_t right) {
        const std::size_t bit = left * row_bits_ + right;
        if (has_bit(apart_, bit)) { // the answer of most pairs, so read first
            return false;
        }
        return has_bit(shared_, bit) || check(left, right);
    }

    // How many other pairs of the group can share a term with the candidate, a pair of it:
    // the same at every node of the tree, so counted once.
    std::size_t shareable_in_group(std::size_t candidate, std::pair<std::size_t, std::size_t> group) {
        std::size_t& count = group_shared_[candidate];
        if (count == SIZE_MAX) {
            count = 0;
            for (std::size_t other = group.first; other < group.second; ++other) {
                count += other != candidate && shareable(other, candidate) ? 1 : 0;
            }
        }
        return count;
    }

    [[nodiscard]] bool exhausted() const noexcept {
        return budget_.exhausted();
    }
    [[nodiscard]] const pair_point& pair_at(std::size_t index) const noexcept {
        return pairs_[index];
    }
    [[nodiscard]] const phase_sets& sets() const noexcept {
        return sets_;
    }

private:
    // Checks a pair of pairs not checked yet; whether one term can hold both.
    [[gnu::noinline]] bool check(std::size_t left, std::size_t right) {
        const pair_point& one = pairs_[left];
        const pair_point& other = pairs_[right];
        const unsigned care = ~(static_cast<unsigned>(one.point) ^ other.point) & all_inputs;
        const point_set& first = sets_.on[one.output][one.phase];
        const point_set& second = sets_.on[other.output][other.phase];
        const cube points{care, one.point & care};
        // Most pairs fail in the first word the cube reaches (its lowest); the cube's points
        // in each word it reaches are the same.
        const std::size_t lowest = points.levels >> inputs_within_word;
        const std::uint64_t mask = word_masks[points.care & 63U][points.levels & 63U];
        bool inside = (first[lowest] & second[lowest] & mask) == mask;
        std::size_t words = 1;
        // Then the other words in ascending order, as for_each_cube_word walks them.
        const unsigned free = ~(care >> inputs_within_word) & (all_inputs >> inputs_within_word);
        for (unsigned subset = (0U - free) & free; inside && subset != 0; subset = (subset - free) & free) {
            const std::size_t word = lowest | subset;
            ++words;
            inside = (first[word] & second[word] & mask) == mask;
        }
        budget_.spend(check_steps + words);
        pair_bits& rows = inside ? shared_ : apart_;
        set_bit(rows, left * row_bits_ + right);
        set_bit(rows, right * row_bits_ + left);
        return inside;
    }

    const phase_sets& sets_;
    effort& budget_;
    std::vector<pair_point> pairs_;
    std::array<std::array<std::size_t, 2>, pla_output_count> first_{};
    std::array<std::array<std::size_t, 2>, pla_output_count> last_{};
    std::size_t row_words_ = 0;
    std::size_t row_bits_ = 0;
    // A row a pair: the pairs checked against it and found apart from it, or shareable
    // with it; neither bit set, not checked yet.
    pair_bits apart_;
    pair_bits shared_;
    std::vector<std::size_t> group_shared_; // shareable_in_group's counts, SIZE_MAX until counted
};

// Pairs of the decided outputs (the pool) and, among them, pairs no two of which one term
// can hold (the chosen, in the order they were chosen, and as bits).
struct independent_set {
    std::vector<std::size_t> pool;
    std::vector<std::size_t> chosen;
    pair_bits chosen_bits;
};

void choose(independent_set& set, std::size_t pair) {
    set.chosen.push_back(pair);
    set_bit(set.chosen_bits, pair);
}

// The pairs of the pool that can join the chosen: apart from every one of them.
bool apart_from_all(pair_graph& graph, const std::vector<std::size_t>& chosen, std::size_t candidate) {
    return std::none_of(chosen.begin(), chosen.end(),
                        [&](std::size_t member) { return graph.shareable(member, candidate); });
}

// Adds the pairs of one output in one phase: those shareable with fewest of the chosen and
// of their own group first.
void add_group(pair_graph& graph, independent_set& set, std::pair<std::size_t, std::size_t> group) {
    std::vector<std::pair<std::size_t, std::size_t>> ranked; // shareable count, pair
    for (std::size_t candidate = group.first; candidate < group.second && !graph.exhausted(); ++candidate) {
        const auto shared =
            static_cast<std::size_t>(std::count_if(set.chosen.begin(), set.chosen.end(), [&](std::size_t member) {
                return graph.shareable(member, candidate);
            }));
        ranked.emplace_back(shared + graph.shareable_in_group(candidate, group), candidate);
    }
    std::stable_sort(ranked.begin(), ranked.end());
    for (std::size_t candidate = group.first; candidate < group.second; ++candidate) {
        set.pool.push_back(candidate);
    }
    for (const auto& [shared, candidate] : ranked) {
        if (apart_from_all(graph, set.chosen, candidate)) {
            choose(set, candidate);
        }
    }
}

// Sorts the pool pairs outside the chosen: one shareable with none of the chosen joins them
// (true); one shareable with a single chosen pair goes to that pair's list in `tight`.
bool take_free_pairs(pair_graph& graph, independent_set& set, std::vector<std::vector<std::size_t>>& tight) {
    tight.assign(set.chosen.size(), {});
    bool taken = false;
    for (const std::size_t candidate : set.pool) {
        if (has_bit(set.chosen_bits, candidate)) {
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
            choose(set, candidate);
            tight.emplace_back();
            taken = true;
        } else if (mates == 1) {
            tight[mate].push_back(candidate);
        }
    }
    return taken;
}

// Trades the chosen pair at `place` for two of its tight pairs that cannot share a term.
bool trade_one_for_two(pair_graph& graph, independent_set& set, std::size_t place,
                       const std::vector<std::size_t>& loose) {
    for (std::size_t one = 0; one < loose.size(); ++one) {
        for (std::size_t other = one + 1; other < loose.size(); ++other) {
            if (!graph.shareable(loose[one], loose[other])) {
                const std::size_t left = set.chosen[place];
                set.chosen_bits[left / 64] &= ~(std::uint64_t{1} << (left % 64));
                set.chosen[place] = loose[one];
                set_bit(set.chosen_bits, loose[one]);
                choose(set, loose[other]);
                return true;
            }
        }
    }
    return false;
}

// Local search: a chosen pair traded for two pool pairs that each share a term with it
// alone among the chosen and cannot share one with each other; free pairs taken as met.
void improve(pair_graph& graph, independent_set& set) {
    std::vector<std::vector<std::size_t>> tight;
    bool improved = true;
    while (improved && !graph.exhausted()) {
        improved = take_free_pairs(graph, set, tight);
        const std::size_t chosen = set.chosen.size();
        for (std::size_t place = 0; place < chosen && !improved && !graph.exhausted(); ++place) {
            improved = trade_one_for_two(graph, set, place, tight[place]);
        }
    }
}

// The least bound over all polarities: down the tree of choices, F of order[0] first,
// a node's pairs those of its parent and of its own output in its phase. A node whose
// pairs reach the target, or whose effort ran out, closes its subtree with its count.
// A whole polarity whose pairs fall short of the target: its pairs and its phases; what
// the exact cover has proven of it, and the pairs it covered by then.
struct short_leaf {
    independent_set set;
    unsigned inverted;
    std::size_t bound;
    std::size_t estimate; // the terms of its outputs' own covers, together
    std::vector<needed_pair> rows;
};

// The exact bound of one whole polarity, from the pairs of its leaf of the tree or those
// an earlier look left. A cover below the target replaces the proof's and lowers it.
void exact_leaf(const pair_graph& graph, short_leaf& leaf, polarity_proof& proof, std::size_t& target, effort& budget) {
    auto function = std::make_unique<output_sets>();
    function->outputs = 0xFF;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const unsigned phase = (leaf.inverted >> output) & 1U;
        function->on[output] = graph.sets().on[output][phase];
        function->need[output] = graph.sets().need[output][phase];
    }
    budget.spend(4 * point_set_words * pla_output_count);
    const auto pairs_of = [&](const std::vector<std::size_t>& indices) {
        std::vector<needed_pair> pairs;
        pairs.reserve(indices.size());
        std::transform(indices.begin(), indices.end(), std::back_inserter(pairs), [&](std::size_t index) {
            return needed_pair{graph.pair_at(index).point, graph.pair_at(index).output};
        });
        return pairs;
    };
    // The independent pairs to start from; the rest of the pool joins where needed.
    if (leaf.rows.empty()) {
        leaf.rows = pairs_of(leaf.set.chosen);
    }
    exact_bound exact =
        exact_cover_bound(*function, std::move(leaf.rows), pairs_of(leaf.set.pool), leaf.bound, target, budget);
    leaf.bound = exact.bound;
    leaf.rows = std::move(exact.rows);
    if (exact.found) {
        proof.better = std::move(exact.found);
        proof.inverted = static_cast<std::uint8_t>(leaf.inverted);
        target = exact.bound;
    }
}

// The polarities left short by the tree, covered exactly: in rounds, each polarity still
// short of the target given a share of the effort four times the last round's, the likeliest
// to hold a smaller cover first (the fewest terms in its outputs' own covers). Most settle in
// the first round; a cover found lowers the target, and so settles more. Returns the least
// bound of them.
std::size_t settle_leaves(const pair_graph& graph, std::vector<short_leaf>& leaves, polarity_proof& proof,
                          std::size_t& target, effort& budget) {
    std::stable_sort(leaves.begin(), leaves.end(), [](const short_leaf& left, const short_leaf& right) {
        return std::pair(left.estimate, left.bound) < std::pair(right.estimate, right.bound);
    });
    for (std::uint64_t share = first_leaf_share; !budget.exhausted(); share *= 4) {
        bool open = false;
        for (short_leaf& leaf : leaves) {
            if (leaf.bound >= target || budget.exhausted()) {
                continue;
            }
            effort part(std::min(share, budget.left()));
            const std::uint64_t given = part.left();
            exact_leaf(graph, leaf, proof, target, part);
            budget.spend(given - part.left());
            open = open || leaf.bound < target;
        }
        if (!open) {
            break;
        }
    }
    std::size_t least = SIZE_MAX;
    for (const short_leaf& leaf : leaves) {
        least = std::min(least, std::min(leaf.bound, target));
    }
    return least;
}

// The least bound of the polarities settled by the tree of the first `levels` outputs of
// `order` (the others plain); those still short of the target at the last go to
// `short_leaves`, for the exact cover.
std::size_t search_polarities(pair_graph& graph, const std::array<unsigned, pla_output_count>& order,
                              std::size_t levels, std::size_t target, std::vector<short_leaf>& short_leaves) {
    if (levels == 0) {
        return 0;
    }
    // (cppcheck does not see members read through the vector's back().)
    struct node {
        // cppcheck-suppress unusedStructMember
        independent_set set;
        // cppcheck-suppress unusedStructMember
        unsigned next_phase;
        // cppcheck-suppress unusedStructMember
        std::size_t least; // of the children done
    };
    std::vector<node> path;
    path.push_back({{{}, {}, pair_bits(graph.row_words(), 0)}, 0, SIZE_MAX});
    while (true) {
        const std::size_t depth = path.size() - 1;
        if (path.back().next_phase == 2 || graph.exhausted()) {
            const std::size_t value = path.back().next_phase == 2
                                          ? path.back().least
                                          : std::min(path.back().least, path.back().set.chosen.size());
            path.pop_back();
            if (path.empty()) {
                return value;
            }
            path.back().least = std::min(path.back().least, value);
            continue;
        }
        const unsigned phase = path.back().next_phase++;
        independent_set next = path.back().set;
        add_group(graph, next, graph.group(order[depth], phase));
        improve(graph, next);
        if (next.chosen.size() < target && depth + 1 == levels && !graph.exhausted()) {
            unsigned inverted = phase << order[depth];
            for (std::size_t above = 0; above < depth; ++above) {
                inverted |= (path[above].next_phase - 1) << order[above];
            }
            const std::size_t pairs = next.chosen.size();
            short_leaves.push_back({std::move(next), inverted, pairs, 0, {}});
        } else if (next.chosen.size() >= target || depth + 1 == levels) {
            path.back().least = std::min(path.back().least, next.chosen.size());
        } else {
            path.push_back({std::move(next), 0, SIZE_MAX});
        }
    }
}

} // namespace

std::array<std::vector<std::uint16_t>, pla_output_count>
distinguished_points(const cover& terms, const output_sets& function, std::size_t per_term, effort& budget) {
    const coverage counts(terms, budget);
    std::array<std::vector<std::uint16_t>, pla_output_count> chosen;
    std::vector<std::pair<unsigned, std::uint16_t>> ranked; // neighbours and scrambled word, point
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const point_set& need = function.need[output];
        const point_set& allowed = function.on[output];
        for (const fit_term& term : terms) {
            if (((term.outputs >> output) & 1U) == 0) {
                continue;
            }
            ranked.clear();
            budget.spend(cube_words(term.care));
            for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t mask) {
                for (std::uint64_t alone = mask & need[word] & counts.exactly_one(output, word); alone != 0;
                     alone &= alone - 1) {
                    const auto point =
                        static_cast<unsigned>(word * 64 + static_cast<std::size_t>(std::countr_zero(alone)));
                    ranked.emplace_back((neighbours_in(allowed, point) << 16) | scrambled(point),
                                        static_cast<std::uint16_t>(point));
                }
                return true;
            });
            budget.spend(2 * ranked.size());
            const std::size_t kept = std::min(per_term, ranked.size());
            std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept), ranked.end());
            for (std::size_t place = 0; place < kept; ++place) {
                chosen[output].push_back(ranked[place].second);
            }
        }
        std::sort(chosen[output].begin(), chosen[output].end());
        chosen[output].erase(std::unique(chosen[output].begin(), chosen[output].end()), chosen[output].end());
    }
    return chosen;
}

// NOLINTBEGIN(bugprone-easily-swappable-parameters): in the header's order
polarity_proof polarity_bound(const phase_sets& sets, const phase_candidates& candidates, const phase_terms& own_terms,
                              std::size_t target, unsigned plain_outputs, effort& budget) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    pair_graph graph(sets, candidates, budget);
    // The outputs whose phase is chosen first, those with most candidates first: they
    // raise the bound soonest.
    std::array<unsigned, pla_output_count> order{};
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(), [&](unsigned left, unsigned right) {
        const auto rank = [&](unsigned output) {
            return std::pair(((plain_outputs >> output) & 1U) == 0,
                             std::min(candidates[output][0].size(), candidates[output][1].size()));
        };
        return rank(left) > rank(right);
    });
    const std::size_t levels = pla_output_count - static_cast<std::size_t>(std::popcount(plain_outputs & 0xFFU));
    std::vector<short_leaf> short_leaves;
    polarity_proof proof{0, {}, 0};
    std::size_t bound = search_polarities(graph, order, levels, target, short_leaves);
    for (short_leaf& leaf : short_leaves) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            leaf.estimate += own_terms[output][(leaf.inverted >> output) & 1U];
        }
    }
    bound = std::min(bound, settle_leaves(graph, short_leaves, proof, target, budget));
    proof.bound = bound;
    return proof;
}
