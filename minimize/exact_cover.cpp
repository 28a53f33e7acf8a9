// Exact covering of a set of needed pairs: the maximal sets of them one term can hold,
// the fewest of those sets that hold them all, and pairs added where that few do not
// cover the whole function.
#include "minimize/exact_cover.h"

#include "minimize/covering.h"

#include <algorithm>
#include <array>
#include <bit>
#include <iterator>
#include <numeric>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// What a check costs beside the words it reads, and what looking up one made before costs.
constexpr std::size_t check_steps = 32;
constexpr std::size_t lookup_steps = 16;
// Cubes that reach at most this many words are checked again rather than looked up.
constexpr std::size_t direct_words = 16;
// Pairs a round adds for each output, where the function lies in many words of a point set
// (its checks read many words, and its sets of pairs grow large), and where it lies in few.
constexpr std::size_t added_per_output = 2;
constexpr std::size_t added_per_output_narrow = 8;
constexpr std::size_t narrow_words = 16;
// Uncovered points of one output looked at to choose those added.
constexpr std::size_t looked_per_output = 4096;

using row_set = std::vector<std::uint64_t>;

void put(row_set& set, std::size_t row) noexcept {
    set[row / 64] |= std::uint64_t{1} << (row % 64);
}

bool holds(const point_set& set, unsigned point) noexcept {
    return ((set[point / 64] >> (point % 64)) & 1U) != 0;
}

// A set of pairs one term can hold, closed: every row whose word is in the cube and whose
// output is among the outputs belongs to it.
struct term_set {
    cube points;
    unsigned outputs;
};

// The smallest cube holding both the cube and the word.
cube joined(cube points, unsigned word) noexcept {
    const unsigned care = points.care & ~(points.levels ^ word) & all_inputs;
    return {care, points.levels & care};
}

bool in_cube(cube points, unsigned word) noexcept {
    return (word & points.care) == points.levels;
}

// The maximal sets of rows one term can hold, and their cubes and outputs.
class column_maker {
public:
    // `inside` keeps, from one set of rows to the next, whether a cube (the key, without
    // outputs) is inside the on-set of an output (the key's last byte).
    column_maker(const output_sets& function, const std::vector<needed_pair>& rows,
                 std::unordered_map<std::uint64_t, bool>& inside, effort& budget)
        : function_(function), rows_(rows), budget_(budget), words_((rows.size() + 63) / 64), inside_(inside) {}

    // False where the effort ran out before every maximal set was found.
    bool run() {
        find_compatible();
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            const term_set single{{all_inputs, rows_[row].point}, 1U << rows_[row].output};
            if (seen_.insert(key(single)).second) {
                pending entry{single, row_set(words_, 0), compatible_[row]};
                put(entry.members, row);
                entry.open[row / 64] &= ~(std::uint64_t{1} << (row % 64));
                stack_.push_back(std::move(entry));
            }
        }
        while (!stack_.empty()) {
            if (budget_.exhausted()) {
                return false;
            }
            pending entry = std::move(stack_.back());
            stack_.pop_back();
            extend(entry);
        }
        return true;
    }

    // The maximal sets as bit masks over the rows, and as the cube and outputs of each.
    [[nodiscard]] const std::vector<row_set>& columns() const noexcept {
        return columns_;
    }
    [[nodiscard]] const std::vector<term_set>& sets() const noexcept {
        return sets_;
    }

private:
    // A closed set found and not yet extended: its rows, and the rows outside it one term
    // can hold together with each of them (the only ones that can join).
    struct pending {
        term_set set;
        row_set members;
        row_set open;
    };

    template <typename Visit>
    void for_each_row(const row_set& rows, Visit&& visit) const {
        for (std::size_t word = 0; word < words_; ++word) {
            for (std::uint64_t bits = rows[word]; bits != 0; bits &= bits - 1) {
                visit(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
            }
        }
    }

    // Which pairs of rows one term can hold.
    void find_compatible() {
        compatible_.assign(rows_.size(), row_set(words_, 0));
        for (std::size_t one = 0; one < rows_.size() && !budget_.exhausted(); ++one) {
            for (std::size_t other = one; other < rows_.size(); ++other) {
                const term_set both{joined({all_inputs, rows_[one].point}, rows_[other].point),
                                    (1U << rows_[one].output) | (1U << rows_[other].output)};
                if (feasible(both)) {
                    put(compatible_[one], other);
                    put(compatible_[other], one);
                }
            }
        }
    }

    // The closed sets one row more makes, to be extended in turn; the set a column if
    // there are none.
    void extend(const pending& entry) {
        bool maximal = true;
        std::size_t open = 0;
        for_each_row(entry.open, [&](std::size_t row) {
            ++open;
            const term_set wider{joined(entry.set.points, rows_[row].point),
                                 entry.set.outputs | (1U << rows_[row].output)};
            // A set met before was feasible: only those are kept.
            if (seen_.contains(key(wider))) {
                maximal = false;
                return;
            }
            if (!feasible(wider)) {
                return;
            }
            maximal = false;
            seen_.insert(key(wider));
            pending next{wider, entry.members, entry.open};
            for_each_row(entry.open, [&](std::size_t other) {
                if (in_set(wider, other)) {
                    put(next.members, other);
                    for (std::size_t word = 0; word < words_; ++word) {
                        next.open[word] &= compatible_[other][word];
                    }
                    budget_.spend(words_);
                }
            });
            for (std::size_t word = 0; word < words_; ++word) {
                next.open[word] &= ~next.members[word];
            }
            budget_.spend(open + 2 * words_);
            stack_.push_back(std::move(next));
        });
        budget_.spend(2 * open + words_);
        if (maximal) {
            columns_.push_back(entry.members);
            sets_.push_back(entry.set);
        }
    }

    [[nodiscard]] bool in_set(term_set set, std::size_t row) const noexcept {
        return ((set.outputs >> rows_[row].output) & 1U) != 0 && in_cube(set.points, rows_[row].point);
    }

    static std::uint64_t key(term_set set) noexcept {
        return (std::uint64_t{set.points.care} << 32) | (std::uint64_t{set.points.levels} << 8) | set.outputs;
    }

    // Whether the cube is inside the on-set of each of the outputs: narrow cubes checked at
    // once, wide ones kept.
    bool feasible(term_set set) {
        const std::size_t words = cube_words(set.points.care);
        if (words <= direct_words) {
            budget_.spend(1 + words * static_cast<std::size_t>(std::popcount(set.outputs)));
            for (unsigned outputs = set.outputs; outputs != 0; outputs &= outputs - 1) {
                if (!cube_inside(function_.on[static_cast<std::size_t>(std::countr_zero(outputs))], set.points)) {
                    return false;
                }
            }
            return true;
        }
        for (unsigned outputs = set.outputs; outputs != 0; outputs &= outputs - 1) {
            const auto output = static_cast<unsigned>(std::countr_zero(outputs));
            const std::uint64_t entry = key({set.points, 1U << output});
            auto known = inside_.find(entry);
            budget_.spend(lookup_steps);
            if (known == inside_.end()) {
                std::size_t read = 0;
                const bool inside = for_each_cube_word(set.points, [&](std::size_t word, std::uint64_t mask) {
                    ++read;
                    return (function_.on[output][word] & mask) == mask;
                });
                budget_.spend(check_steps + read);
                known = inside_.emplace(entry, inside).first;
            }
            if (!known->second) {
                return false;
            }
        }
        return true;
    }

    const output_sets& function_;
    const std::vector<needed_pair>& rows_;
    effort& budget_;
    std::size_t words_;
    std::vector<row_set> compatible_; // rows one term can hold together with each row
    std::vector<pending> stack_;
    std::vector<row_set> columns_;
    std::vector<term_set> sets_;
    std::unordered_set<std::uint64_t> seen_;
    std::unordered_map<std::uint64_t, bool>& inside_;
};

unsigned neighbours_in(const point_set& set, unsigned point) noexcept {
    unsigned neighbours = 0;
    for (unsigned input = 0; input < pla_input_count; ++input) {
        neighbours += holds(set, point ^ (1U << input)) ? 1 : 0;
    }
    return neighbours;
}

// The term grown to a prime: inputs dropped in turn while its cube stays inside the
// on-set of every output it feeds; then every output whose on-set holds it fed too.
fit_term grown(const output_sets& function, term_set set, effort& budget) {
    cube points = set.points;
    for (unsigned input = 0; input < pla_input_count; ++input) {
        if (((points.care >> input) & 1U) == 0) {
            continue;
        }
        const unsigned care = points.care & ~(1U << input);
        const cube wider{care, points.levels & care};
        if (cube_inside_outputs(function, wider, set.outputs, budget)) {
            points = wider;
        }
    }
    unsigned outputs = set.outputs;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((function.outputs >> output) & 1U) != 0 && ((outputs >> output) & 1U) == 0 &&
            cube_inside_outputs(function, points, 1U << output, budget)) {
            outputs |= 1U << output;
        }
    }
    return {static_cast<std::uint16_t>(points.care), static_cast<std::uint16_t>(points.levels),
            static_cast<std::uint8_t>(outputs)};
}

// Whether one of the terms feeding the pair's output holds its word.
bool covered(const cover& terms, needed_pair pair) noexcept {
    return std::any_of(terms.begin(), terms.end(), [&](const fit_term& term) {
        return ((term.outputs >> pair.output) & 1U) != 0 && (pair.point & term.care) == term.levels;
    });
}

// Needed pairs the terms leave uncovered, `added` of each output at most: first of `spare`,
// then of the whole function, fewest neighbours first. None when the terms cover the
// function.
std::vector<needed_pair> uncovered_pairs(const output_sets& function, const cover& terms,
                                         const std::vector<needed_pair>& spare, std::size_t added, effort& budget) {
    std::vector<needed_pair> found;
    std::array<std::size_t, pla_output_count> taken{};
    budget.spend(spare.size() * terms.size() / 8 + 1);
    for (const needed_pair& pair : spare) {
        if (taken[pair.output] < added && !covered(terms, pair)) {
            found.push_back(pair);
            ++taken[pair.output];
        }
    }
    if (!found.empty()) {
        return found;
    }
    point_set left;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((function.outputs >> output) & 1U) == 0) {
            continue;
        }
        left = function.need[output];
        for (const fit_term& term : terms) {
            if (((term.outputs >> output) & 1U) != 0) {
                remove_cube(left, cube_of(term));
                budget.spend(cube_words(term.care));
            }
        }
        budget.spend(point_set_words);
        std::vector<std::pair<unsigned, unsigned>> ranked; // neighbours, point
        for (std::size_t word = 0; word < point_set_words && ranked.size() < looked_per_output; ++word) {
            for (std::uint64_t bits = left[word]; bits != 0 && ranked.size() < looked_per_output; bits &= bits - 1) {
                const auto point = static_cast<unsigned>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
                ranked.emplace_back(neighbours_in(function.on[output], point), point);
            }
        }
        budget.spend(ranked.size());
        const std::size_t kept = std::min(added, ranked.size());
        std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept), ranked.end());
        for (std::size_t place = 0; place < kept; ++place) {
            found.push_back({static_cast<std::uint16_t>(ranked[place].second), static_cast<std::uint8_t>(output)});
        }
    }
    return found;
}

// The words of a point set where an output of the function may be high.
std::size_t words_reached(const output_sets& function, effort& budget) {
    std::size_t reached = 0;
    for (std::size_t word = 0; word < point_set_words; ++word) {
        std::uint64_t any = 0;
        for (unsigned output = 0; output < pla_output_count; ++output) {
            any |= ((function.outputs >> output) & 1U) != 0 ? function.on[output][word] : 0;
        }
        reached += any != 0 ? 1 : 0;
    }
    budget.spend(point_set_words * pla_output_count / 4);
    return reached;
}

} // namespace

cover_choice smallest_cover(std::size_t rows, const std::vector<std::vector<std::uint64_t>>& columns, std::size_t most,
                            effort& budget) {
    covering search(rows, columns, budget);
    if (search.search(most)) {
        return {search.chosen(), false};
    }
    return {{}, !budget.exhausted()};
}

// In the order the header gives.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)
exact_bound exact_cover_bound(const output_sets& function, std::vector<needed_pair> rows,
                              const std::vector<needed_pair>& spare, std::size_t floor, std::size_t target,
                              effort& budget) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    std::size_t known = floor;
    std::unordered_map<std::uint64_t, bool> inside;
    const std::size_t added =
        words_reached(function, budget) <= narrow_words ? added_per_output_narrow : added_per_output;
    while (known < target && !budget.exhausted()) {
        std::sort(rows.begin(), rows.end(), [](const needed_pair& left, const needed_pair& right) {
            return std::pair(left.output, left.point) < std::pair(right.output, right.point);
        });
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        column_maker columns(function, rows, inside, budget);
        if (!columns.run()) {
            break;
        }
        covering search(rows.size(), columns.columns(), budget);
        known = std::max(known, std::min(search.least(), target));
        // The fewest columns: each count refuted in turn raises the bound.
        bool found = false;
        while (known < target && !found) {
            found = search.search(known);
            if (budget.exhausted()) {
                return {known, {}, std::move(rows)};
            }
            known += found ? 0 : 1;
        }
        if (!found) {
            break;
        }
        cover terms;
        std::transform(search.chosen().begin(), search.chosen().end(), std::back_inserter(terms),
                       [&](std::size_t column) { return grown(function, columns.sets()[column], budget); });
        std::vector<needed_pair> more = uncovered_pairs(function, terms, spare, added, budget);
        if (more.empty()) {
            return {terms.size(), std::move(terms), std::move(rows)};
        }
        rows.insert(rows.end(), more.begin(), more.end());
    }
    return {std::min(known, target), {}, std::move(rows)};
}
