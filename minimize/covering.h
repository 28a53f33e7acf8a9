// Unate covering: the fewest columns, each a set of rows, whose union holds every row. The
// exact side of the fit asks it for the fewest terms holding a set of needed pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "minimize/cover.h"

// A set of rows or of columns, one bit each.
using bit_row = std::vector<std::uint64_t>;

class covering {
public:
    // columns[c] has bit r set where column c holds row r. The columns every choice needs
    // (the only one left for a row, and so on) are taken at once, and rows and columns
    // that others make needless are set aside: the search works on the rest.
    covering(std::size_t rows, const std::vector<bit_row>& columns, effort& budget);

    // Whether at most `most` columns hold every row; chosen() gives them if so. False with
    // effort left: no such choice exists.
    bool search(std::size_t most);

    [[nodiscard]] const std::vector<std::size_t>& chosen() const noexcept {
        return chosen_;
    }

    // Columns every choice needs, as far as the first look shows.
    [[nodiscard]] std::size_t least() const noexcept {
        return least_;
    }

private:
    // A node of the search: the rows still to hold, the columns still allowed, and each
    // row's weight in the bound (its share of a column, in units of 1 / whole).
    struct node {
        bit_row rows;
        bit_row columns;
        std::vector<std::int64_t> weights;
    };

    bool solve(node& here, std::size_t most);
    bool reduce(node& here, std::size_t& most);
    bool take_forced(node& here, std::size_t& most);
    void set_aside(node& here);
    void set_aside_columns(node& here);
    void set_aside_rows(node& here);
    void take(node& here, std::size_t column);
    [[nodiscard]] std::size_t options(const node& here, std::size_t row) const noexcept;
    std::size_t apart_bound(const node& here, std::size_t most);
    std::size_t weighed_bound(node& here, std::size_t most, unsigned rounds);
    std::int64_t weigh(const node& here, std::vector<std::int64_t>& reduced);
    bool rule_out(node& here, std::size_t most);
    std::vector<std::size_t> branches(const node& here, std::size_t row);
    std::vector<std::size_t> greedy_choice(const node& here, std::size_t most);

    effort& budget_;
    std::size_t row_words_;
    std::size_t column_words_;
    std::vector<bit_row> holds_;                         // by column: its rows
    std::vector<bit_row> held_by_;                       // by row: its columns
    std::vector<std::vector<std::uint32_t>> rows_of_;    // the same as lists
    std::vector<std::vector<std::uint32_t>> columns_of_; //
    std::vector<std::int64_t> reduced_;                  // by column: what taking it costs beyond the bound
    std::int64_t bound_ = 0;                             // the last weighed bound, in units of 1 / whole
    node root_;
    std::vector<std::size_t> forced_; // taken at the root
    std::vector<std::size_t> chosen_;
    std::size_t least_ = 0;
    bool infeasible_ = false;
};
