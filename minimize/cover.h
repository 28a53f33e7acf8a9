// What the steps of the minimizer share: the function being covered, a cover of it, the
// count of terms over each point, and the effort left.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

#include "minimize/minimize.h"
#include "minimize/point_set.h"
#include "pla/pla.h"

// The function for one choice of output phases: need[k] holds the input words where the
// OR of Fk's terms must be 1, on[k] those where it may be (need[k] and the words whose
// level of Fk is free). Only the outputs of `outputs` are covered, and only they may be
// fed by a term.
struct output_sets {
    std::array<point_set, pla_output_count> on;
    std::array<point_set, pla_output_count> need;
    std::uint8_t outputs;
};

// Terms, each an implicant of every output it feeds (its cube inside their on-sets).
using cover = std::vector<fit_term>;

// A fixed count of steps, each about one word of a point set, so that a run stops at
// the same place on every machine.
class effort {
public:
    explicit effort(std::uint64_t steps) noexcept : left_(steps) {}
    void spend(std::uint64_t steps) noexcept {
        left_ = steps < left_ ? left_ - steps : 0;
    }
    [[nodiscard]] bool exhausted() const noexcept {
        return left_ == 0;
    }
    [[nodiscard]] std::uint64_t left() const noexcept {
        return left_;
    }

private:
    std::uint64_t left_;
};

constexpr cube cube_of(const fit_term& term) noexcept {
    return {term.care, term.levels};
}

// Whether the cube is inside the on-set of every output of `outputs`.
bool cube_inside_outputs(const output_sets& function, cube points, unsigned outputs, effort& budget) noexcept;

// The terms before others in the ordering a cover is minimized for: fewer terms, then
// fewer input literals, then fewer output connections.
using cover_cost = std::tuple<std::size_t, std::size_t, std::size_t>;
cover_cost cost_of(const cover& terms) noexcept;

// How many terms of a cover hold each point, for each output they feed: a binary count
// in bit planes, so that a cube is added or queried a word at a time. Covers hold fewer
// than 65,536 terms, so 16 planes never overflow.
class coverage {
public:
    coverage(const cover& terms, effort& budget);
    void add(const fit_term& term, unsigned outputs, effort& budget);
    void remove(const fit_term& term, unsigned outputs, effort& budget) noexcept;
    // The points of `word` that at least two terms feeding `output` hold.
    [[nodiscard]] std::uint64_t at_least_two(unsigned output, std::size_t word) const noexcept {
        std::uint64_t more = 0;
        for (std::size_t plane = 1; plane < used_[output]; ++plane) {
            more |= planes_[index(output, plane, word)];
        }
        return more;
    }
    [[nodiscard]] std::uint64_t exactly_one(unsigned output, std::size_t word) const noexcept {
        return used_[output] > 0 ? planes_[index(output, 0, word)] & ~at_least_two(output, word) : 0;
    }
    [[nodiscard]] std::uint64_t exactly_two(unsigned output, std::size_t word) const noexcept {
        std::uint64_t more = 0;
        for (std::size_t plane = 2; plane < used_[output]; ++plane) {
            more |= planes_[index(output, plane, word)];
        }
        return used_[output] > 1 ? planes_[index(output, 1, word)] & ~planes_[index(output, 0, word)] & ~more : 0;
    }

private:
    static constexpr std::size_t plane_count = 16;
    // Plane by plane, each holding every output, so that the planes grow as terms overlap
    // more and the planes no count reaches are never made.
    static std::size_t index(unsigned output, std::size_t plane, std::size_t word) noexcept {
        return (plane * pla_output_count + output) * point_set_words + word;
    }
    std::vector<std::uint64_t> planes_;
    std::array<std::size_t, pla_output_count> used_{}; // planes above these are all zero
};

// How many points of `need` no two of which one implicant of `allowed` holds (`need` inside `allowed`),
// as many as the effort finds, or `enough` once that many are found: a cover of `need` by
// implicants of `allowed` needs a term for each.
std::size_t independent_points(const point_set& need, const point_set& allowed, effort& budget,
                               std::size_t enough = SIZE_MAX);

// The steps, each keeping the cover a cover of `function`.

// A cover of primes, each grown from a point not yet covered, the outputs of `outputs`
// first to last. Stops early, short of a cover, once it holds more than `cap` terms.
cover greedy_cover(const output_sets& function, std::size_t cap, effort& budget);

// Grows each term to a prime, choosing the growth that swallows most other terms, and
// drops the terms swallowed.
void expand_cover(cover& terms, const output_sets& function, effort& budget);

// Drops terms until every term left holds a point no other term covers for some output
// it feeds.
void make_irredundant(cover& terms, const output_sets& function, effort& budget);

// Disconnects each term, in turn, from the outputs where other terms cover all its
// points. Of an irredundant cover, every term keeps an output.
void drop_redundant_outputs(cover& terms, const output_sets& function, effort& budget);

// Shrinks each term in turn to the smallest cube holding the needed points only it covers,
// and its outputs to those it alone covers somewhere; drops a term that covers nothing alone.
void reduce_cover(cover& terms, const output_sets& function, effort& budget);

// Expand, irredundant, then reduce-expand-irredundant rounds while the cost falls; returns
// the cheapest cover met, each term connected only to outputs where it is needed.
cover minimize_cover(cover terms, const output_sets& function, effort& budget);
