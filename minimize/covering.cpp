// Unate covering by branch and bound. At each node the columns a row leaves no choice
// about are taken and dominated rows and columns set aside; the count is bounded from
// below by rows no two of which share a column and by weights on the rows (a Lagrangian
// bound, kept in whole numbers so that every machine proves the same), which also rule
// out columns no choice within the count can take; the row of fewest columns is then
// branched on, each branch leaving out the columns of the branches before it.
#include "minimize/covering.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <numeric>
#include <utility>

namespace {

// A column's worth in the weighed bound: every column holds rows worth at most this.
constexpr std::int64_t whole = std::int64_t{1} << 20;
// Rounds of weighing at the first node, and at each node after.
constexpr unsigned root_rounds = 400;
constexpr unsigned node_rounds = 30;

bool has(const bit_row& set, std::size_t index) noexcept {
    return ((set[index / 64] >> (index % 64)) & 1U) != 0;
}

void put(bit_row& set, std::size_t index) noexcept {
    set[index / 64] |= std::uint64_t{1} << (index % 64);
}

void drop(bit_row& set, std::size_t index) noexcept {
    set[index / 64] &= ~(std::uint64_t{1} << (index % 64));
}

template <typename Visit>
void for_each_bit(const bit_row& set, Visit&& visit) {
    for (std::size_t word = 0; word < set.size(); ++word) {
        for (std::uint64_t bits = set[word]; bits != 0; bits &= bits - 1) {
            visit(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
        }
    }
}

bool empty(const bit_row& set) noexcept {
    return std::all_of(set.begin(), set.end(), [](std::uint64_t word) { return word == 0; });
}

// The bits of `set` within `mask`, up to `enough`.
std::size_t count_within(const bit_row& set, const bit_row& mask, std::size_t enough = SIZE_MAX) noexcept {
    std::size_t count = 0;
    for (std::size_t word = 0; word < set.size() && count < enough; ++word) {
        count += static_cast<std::size_t>(std::popcount(set[word] & mask[word]));
    }
    return count;
}

// How many bits of `set` are within `mask`: 0, 1, or 2 for more.
std::size_t one_or_more(const bit_row& set, const bit_row& mask) noexcept {
    std::size_t count = 0;
    for (std::size_t word = 0; word < set.size(); ++word) {
        if (const std::uint64_t bits = set[word] & mask[word]; bits != 0) {
            if ((bits & (bits - 1)) != 0 || count != 0) {
                return 2;
            }
            count = 1;
        }
    }
    return count;
}

// Whether the bits of `set` within `mask` are all in `other`.
bool within(const bit_row& set, const bit_row& mask, const bit_row& other) noexcept {
    for (std::size_t word = 0; word < set.size(); ++word) {
        if ((set[word] & mask[word] & ~other[word]) != 0) {
            return false;
        }
    }
    return true;
}

// The first bit of `set` within `mask`, or SIZE_MAX.
std::size_t first_within(const bit_row& set, const bit_row& mask) noexcept {
    for (std::size_t word = 0; word < set.size(); ++word) {
        if (const std::uint64_t bits = set[word] & mask[word]; bits != 0) {
            return word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
        }
    }
    return SIZE_MAX;
}

// The least whole count at least `total` / whole.
std::size_t whole_count(std::int64_t total) noexcept {
    return total <= 0 ? 0 : static_cast<std::size_t>((total + whole - 1) / whole);
}

} // namespace

covering::covering(std::size_t rows, const std::vector<bit_row>& columns, effort& budget)
    : budget_(budget), row_words_((rows + 63) / 64), column_words_((columns.size() + 63) / 64), holds_(columns),
      held_by_(rows, bit_row(column_words_, 0)), rows_of_(columns.size()), columns_of_(rows),
      reduced_(columns.size(), 0) {
    for (std::size_t column = 0; column < columns.size(); ++column) {
        holds_[column].resize(row_words_, 0);
        for_each_bit(holds_[column], [&](std::size_t row) {
            put(held_by_[row], column);
            rows_of_[column].push_back(static_cast<std::uint32_t>(row));
            columns_of_[row].push_back(static_cast<std::uint32_t>(column));
        });
    }
    budget_.spend(rows * column_words_ + columns.size() * row_words_);
    root_.rows.assign(row_words_, 0);
    root_.columns.assign(column_words_, 0);
    root_.weights.assign(rows, 0);
    for (std::size_t row = 0; row < rows; ++row) {
        put(root_.rows, row);
        root_.weights[row] = columns_of_[row].empty() ? 0 : whole / static_cast<std::int64_t>(columns_of_[row].size());
    }
    for (std::size_t column = 0; column < columns.size(); ++column) {
        put(root_.columns, column);
    }
    std::size_t most = SIZE_MAX;
    if (!reduce(root_, most)) {
        infeasible_ = true;
        return;
    }
    forced_ = chosen_;
    chosen_.clear();
    // Weights aimed at the count a greedy choice reaches.
    const std::size_t greedy = greedy_choice(root_, SIZE_MAX).size();
    const std::size_t apart = apart_bound(root_, SIZE_MAX);
    const std::size_t weighed = greedy == 0 ? 0 : weighed_bound(root_, greedy - 1, root_rounds);
    least_ = forced_.size() + std::max(apart, weighed);
}

bool covering::search(std::size_t most) {
    chosen_.clear();
    if (infeasible_ || forced_.size() > most) {
        return false;
    }
    chosen_ = forced_;
    node here = root_;
    if (solve(here, most - forced_.size())) {
        return true;
    }
    chosen_.clear();
    return false;
}

void covering::take(node& here, std::size_t column) {
    chosen_.push_back(column);
    for (std::size_t word = 0; word < row_words_; ++word) {
        here.rows[word] &= ~holds_[column][word];
    }
    drop(here.columns, column);
}

std::size_t covering::options(const node& here, std::size_t row) const noexcept {
    return count_within(held_by_[row], here.columns);
}

// Takes forced columns and sets aside dominated rows and columns until none is left;
// false where a row has no column, or more are needed than `most`.
bool covering::reduce(node& here, std::size_t& most) {
    node before;
    do {
        if (!take_forced(here, most)) {
            return false;
        }
        before.rows = here.rows;
        before.columns = here.columns;
        set_aside(here);
    } while (before.rows != here.rows || before.columns != here.columns);
    return true;
}

bool covering::take_forced(node& here, std::size_t& most) {
    bool taken = true;
    while (taken) {
        taken = false;
        budget_.spend(row_words_ + 1);
        for (std::size_t word = 0; word < row_words_; ++word) {
            for (std::uint64_t bits = here.rows[word]; bits != 0; bits &= bits - 1) {
                const std::size_t row = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
                if (!has(here.rows, row)) {
                    continue; // held by a column taken in this pass
                }
                budget_.spend(column_words_);
                const std::size_t left = one_or_more(held_by_[row], here.columns);
                if (left == 0 || (left == 1 && most == 0)) {
                    return false;
                }
                if (left == 1) {
                    take(here, first_within(held_by_[row], here.columns));
                    --most;
                    taken = true;
                }
            }
        }
    }
    return true;
}

// Columns whose rows left another column holds too, and rows held by every column that
// holds another row (a choice holding that one holds them), set aside.
void covering::set_aside(node& here) {
    set_aside_columns(here);
    set_aside_rows(here);
}

void covering::set_aside_columns(node& here) {
    for_each_bit(here.columns, [&](std::size_t column) {
        const std::size_t row = first_within(holds_[column], here.rows);
        budget_.spend(row_words_);
        if (row == SIZE_MAX) {
            drop(here.columns, column);
            return;
        }
        for (const std::uint32_t other : columns_of_[row]) {
            budget_.spend(1);
            if (other == column || !has(here.columns, other) || !has(here.columns, column)) {
                continue;
            }
            budget_.spend(row_words_);
            // Of two alike, the later goes.
            const bool later = other < column;
            const bit_row& others = holds_[other];
            if (within(holds_[column], here.rows, others) && (later || !within(others, here.rows, holds_[column]))) {
                drop(here.columns, column);
            }
        }
    });
}

void covering::set_aside_rows(node& here) {
    for_each_bit(here.rows, [&](std::size_t row) {
        const std::size_t column = has(here.rows, row) ? first_within(held_by_[row], here.columns) : SIZE_MAX;
        budget_.spend(column_words_);
        if (column == SIZE_MAX) {
            return;
        }
        for (const std::uint32_t other : rows_of_[column]) {
            budget_.spend(1);
            if (other == row || !has(here.rows, other)) {
                continue;
            }
            budget_.spend(column_words_);
            if (within(held_by_[row], here.columns, held_by_[other])) {
                drop(here.rows, other);
            }
        }
    });
}

// Rows no two of which share a column, fewest columns first; stops past `most`.
std::size_t covering::apart_bound(const node& here, std::size_t most) {
    std::vector<std::pair<std::size_t, std::size_t>> ranked; // columns, row
    for_each_bit(here.rows, [&](std::size_t row) { ranked.emplace_back(options(here, row), row); });
    budget_.spend(ranked.size() * (column_words_ + 2));
    std::sort(ranked.begin(), ranked.end());
    std::size_t apart = 0;
    bit_row blocked(row_words_, 0);
    for (const auto& [left, row] : ranked) {
        if (has(blocked, row)) {
            continue;
        }
        if (++apart > most) {
            break;
        }
        for (const std::uint32_t column : columns_of_[row]) {
            if (has(here.columns, column)) {
                for (std::size_t word = 0; word < row_words_; ++word) {
                    blocked[word] |= holds_[column][word];
                }
            }
        }
        budget_.spend(row_words_ * columns_of_[row].size());
    }
    return apart;
}

// The weighed bound of the node's weights, times whole: the rows' weights, less what each
// column that holds more than whole holds over it. Any choice of columns holding every row
// counts at least this over whole. `reduced` gets each column's whole less its rows' weights.
std::int64_t covering::weigh(const node& here, std::vector<std::int64_t>& reduced) {
    std::int64_t total = 0;
    for_each_bit(here.rows, [&](std::size_t row) { total += here.weights[row]; });
    std::size_t visited = 0;
    for_each_bit(here.columns, [&](std::size_t column) {
        const std::int64_t held = std::accumulate(
            rows_of_[column].begin(), rows_of_[column].end(), std::int64_t{0},
            [&](std::int64_t sum, std::uint32_t row) { return sum + (has(here.rows, row) ? here.weights[row] : 0); });
        visited += rows_of_[column].size();
        reduced[column] = whole - held;
        total += std::min<std::int64_t>(0, reduced[column]);
    });
    budget_.spend(row_words_ + column_words_ + visited);
    return total;
}

// Moves the weights, for `rounds` at most, towards a bound over `most` (subgradient
// steps); the node keeps the best weights met. Returns the bound.
std::size_t covering::weighed_bound(node& here, std::size_t most, unsigned rounds) {
    const std::int64_t target = static_cast<std::int64_t>(std::min<std::size_t>(most, 1U << 20) + 1) * whole;
    std::vector<std::int64_t> best_weights = here.weights;
    std::int64_t best = weigh(here, reduced_);
    std::int64_t current = best;
    std::int64_t step = 16; // eighths
    unsigned stalled = 0;
    std::vector<std::int64_t> slope(here.weights.size(), 0);
    for (unsigned round = 0; round < rounds && whole_count(best) <= most && step > 0; ++round) {
        // A row held by no column the bound takes wants more weight, one held by several less.
        std::int64_t norm = 0;
        std::size_t visited = 0;
        for_each_bit(here.rows, [&](std::size_t row) {
            const auto taken =
                std::count_if(columns_of_[row].begin(), columns_of_[row].end(),
                              [&](std::uint32_t column) { return has(here.columns, column) && reduced_[column] < 0; });
            visited += columns_of_[row].size();
            slope[row] = 1 - taken;
            norm += slope[row] * slope[row];
        });
        budget_.spend(visited + row_words_);
        if (norm == 0) {
            break;
        }
        const std::int64_t gap = std::max<std::int64_t>(target - current, whole / 64);
        std::size_t moved = 0;
        for_each_bit(here.rows, [&](std::size_t row) {
            here.weights[row] = std::max<std::int64_t>(0, here.weights[row] + step * gap * slope[row] / (8 * norm));
            ++moved;
        });
        budget_.spend(4 * moved);
        current = weigh(here, reduced_);
        if (current > best) {
            best = current;
            best_weights = here.weights;
            stalled = 0;
        } else if (++stalled == 4) {
            step /= 2;
            stalled = 0;
        }
    }
    here.weights = std::move(best_weights);
    bound_ = weigh(here, reduced_);
    return whole_count(bound_);
}

// Sets aside the columns whose taking would lift the weighed bound over `most`: no choice
// of at most `most` takes them. Whether any went.
bool covering::rule_out(node& here, std::size_t most) {
    const std::int64_t ceiling = static_cast<std::int64_t>(std::min<std::size_t>(most, 1U << 20)) * whole;
    bool ruled_out = false;
    for_each_bit(here.columns, [&](std::size_t column) {
        if (reduced_[column] > 0 && bound_ + reduced_[column] > ceiling) {
            drop(here.columns, column);
            ruled_out = true;
        }
    });
    budget_.spend(column_words_);
    return ruled_out;
}

// The allowed columns of `row`, those the weighed bound favours first, less those whose
// rows another of them holds too.
std::vector<std::size_t> covering::branches(const node& here, std::size_t row) {
    std::vector<std::size_t> choices;
    std::copy_if(columns_of_[row].begin(), columns_of_[row].end(), std::back_inserter(choices),
                 [&](std::uint32_t column) { return has(here.columns, column); });
    std::vector<std::pair<std::pair<std::int64_t, std::size_t>, std::size_t>> ranked; // reduced, minus held; column
    for (std::size_t place = 0; place < choices.size(); ++place) {
        const std::size_t column = choices[place];
        bool dominated = false;
        for (std::size_t other_place = 0; other_place < choices.size() && !dominated; ++other_place) {
            const std::size_t other = choices[other_place];
            dominated = other != column && within(holds_[column], here.rows, holds_[other]) &&
                        (other_place < place || !within(holds_[other], here.rows, holds_[column]));
        }
        budget_.spend(row_words_ * choices.size());
        if (!dominated) {
            ranked.push_back({{reduced_[column], SIZE_MAX - count_within(holds_[column], here.rows)}, column});
        }
    }
    std::sort(ranked.begin(), ranked.end());
    std::vector<std::size_t> kept;
    kept.reserve(ranked.size());
    for (const auto& [rank, column] : ranked) {
        kept.push_back(column);
    }
    return kept;
}

// Columns taken in turn, each holding most rows left (of those alike, the one the weighed
// bound favours), until every row is held or more than `most` are taken.
std::vector<std::size_t> covering::greedy_choice(const node& here, std::size_t most) {
    std::vector<std::size_t> taken;
    bit_row left = here.rows;
    while (!empty(left) && taken.size() <= most) {
        std::size_t best = SIZE_MAX;
        std::pair<std::size_t, std::int64_t> best_rank{0, 0}; // rows held, minus reduced
        for_each_bit(here.columns, [&](std::size_t column) {
            const std::pair<std::size_t, std::int64_t> rank{count_within(holds_[column], left), -reduced_[column]};
            if (rank.first > 0 && (best == SIZE_MAX || rank > best_rank)) {
                best = column;
                best_rank = rank;
            }
        });
        budget_.spend(column_words_ * 64 * row_words_);
        if (best == SIZE_MAX) {
            break; // a row no column holds: reduce() rules that out first
        }
        taken.push_back(best);
        for (std::size_t word = 0; word < row_words_; ++word) {
            left[word] &= ~holds_[best][word];
        }
    }
    return taken;
}

// NOLINTNEXTLINE(misc-no-recursion): as deep as `most`, at most the rows
bool covering::solve(node& here, std::size_t most) {
    const std::size_t mark = chosen_.size();
    const auto fail = [&] {
        chosen_.resize(mark);
        return false;
    };
    budget_.spend(row_words_ + column_words_);
    do {
        if (budget_.exhausted() || !reduce(here, most)) {
            return fail();
        }
        if (empty(here.rows)) {
            return true;
        }
        if (apart_bound(here, most) > most || weighed_bound(here, most, node_rounds) > most) {
            return fail();
        }
    } while (rule_out(here, most));
    if (const std::vector<std::size_t> greedy = greedy_choice(here, most); greedy.size() <= most) {
        chosen_.insert(chosen_.end(), greedy.begin(), greedy.end());
        return true;
    }
    // The row of fewest columns.
    std::size_t branch = SIZE_MAX;
    std::size_t fewest = SIZE_MAX;
    for_each_bit(here.rows, [&](std::size_t row) {
        if (const std::size_t left = options(here, row); left < fewest) {
            branch = row;
            fewest = left;
        }
    });
    budget_.spend(count_within(here.rows, here.rows) * column_words_);
    node child;
    std::vector<std::size_t> left_out;
    for (const std::size_t column : branches(here, branch)) {
        child = here;
        for (const std::size_t earlier : left_out) {
            drop(child.columns, earlier);
        }
        take(child, column);
        if (solve(child, most - 1)) {
            return true;
        }
        chosen_.pop_back();
        left_out.push_back(column);
        if (budget_.exhausted()) {
            break;
        }
    }
    return fail();
}
