// Expand: each term grown to a prime, towards the other terms it can swallow whole.
#include <algorithm>
#include <bit>
#include <numeric>

#include "minimize/cover.h"

namespace {

// The inputs of term.care to free so that the term's cube holds other's cube.
unsigned inputs_to_free(const fit_term& term, const fit_term& other) noexcept {
    return term.care & ~(other.care & ~(term.levels ^ other.levels)) & all_inputs;
}

bool swallows(const fit_term& term, const fit_term& other) noexcept {
    return inputs_to_free(term, other) == 0 && (other.outputs & ~term.outputs) == 0;
}

fit_term supercube(const fit_term& term, const fit_term& other) noexcept {
    const auto care = static_cast<std::uint16_t>(term.care & other.care & ~(term.levels ^ other.levels));
    return {care, static_cast<std::uint16_t>(term.levels & care),
            static_cast<std::uint8_t>(term.outputs | other.outputs)};
}

// Those of `candidates` that can each be freed alone, the term staying an implicant.
unsigned freeable_inputs(const fit_term& term, unsigned candidates, const output_sets& function, effort& budget) {
    unsigned freeable = 0;
    for (unsigned inputs = candidates & term.care; inputs != 0; inputs &= inputs - 1) {
        const unsigned input = inputs & (~inputs + 1);
        if (cube_inside_outputs(function, {term.care, term.levels ^ input}, term.outputs, budget)) {
            freeable |= input;
        }
    }
    return freeable;
}

// Those of `candidates` whose on-set holds the term's cube.
unsigned addable_outputs(const fit_term& term, unsigned candidates, const output_sets& function, effort& budget) {
    unsigned addable = 0;
    for (unsigned outputs = candidates & function.outputs & ~term.outputs; outputs != 0; outputs &= outputs - 1) {
        const unsigned output = outputs & (~outputs + 1);
        if (cube_inside_outputs(function, cube_of(term), output, budget)) {
            addable |= output;
        }
    }
    return addable;
}

class expander {
public:
    expander(cover& terms, const output_sets& function, effort& budget)
        : terms_(terms), function_(function), budget_(budget), gone_(terms.size(), 0), blocked_(terms.size(), 0) {}

    void expand(std::size_t index);

    [[nodiscard]] bool gone(std::size_t index) const noexcept {
        return gone_[index] != 0;
    }

private:
    // The others that the term can now swallow whole, and the terms it would grow into.
    void find_feasible(std::size_t index, const fit_term& term, unsigned freeable, unsigned addable);
    [[nodiscard]] fit_term best_feasible() const;
    [[nodiscard]] unsigned most_wanted_input(std::size_t index, const fit_term& term, unsigned freeable) const;

    cover& terms_;
    const output_sets& function_;
    effort& budget_;
    std::vector<std::uint8_t> gone_;    // swallowed by a term grown earlier
    std::vector<std::uint8_t> blocked_; // cannot be swallowed by the term growing now
    std::vector<std::size_t> feasible_;
    std::vector<fit_term> grown_;
};

void expander::find_feasible(std::size_t index, const fit_term& term, unsigned freeable, unsigned addable) {
    feasible_.clear();
    grown_.clear();
    budget_.spend(terms_.size());
    for (std::size_t other = 0; other < terms_.size(); ++other) {
        if (other == index || gone_[other] != 0 || blocked_[other] != 0) {
            continue;
        }
        const fit_term& candidate = terms_[other];
        const unsigned free = inputs_to_free(term, candidate);
        const unsigned add = candidate.outputs & ~term.outputs;
        if (free == 0 && add == 0) {
            gone_[other] = 1;
            continue;
        }
        // The term only grows, so what it cannot swallow now it never will.
        const fit_term grown = supercube(term, candidate);
        if ((free & ~freeable) != 0 || (add & ~addable) != 0 ||
            !cube_inside_outputs(function_, cube_of(grown), grown.outputs, budget_)) {
            blocked_[other] = 1;
            continue;
        }
        feasible_.push_back(other);
        grown_.push_back(grown);
    }
}

// The growth that swallows most of the feasible others, then the one with most literals.
fit_term expander::best_feasible() const {
    std::size_t best = 0;
    std::pair<std::size_t, int> best_score{0, 0};
    budget_.spend(grown_.size() * feasible_.size());
    for (std::size_t choice = 0; choice < grown_.size(); ++choice) {
        const auto swallowed =
            static_cast<std::size_t>(std::count_if(feasible_.begin(), feasible_.end(), [&](std::size_t other) {
                return swallows(grown_[choice], terms_[other]);
            }));
        const std::pair<std::size_t, int> score{swallowed, std::popcount(grown_[choice].care)};
        if (score > best_score) {
            best = choice;
            best_score = score;
        }
    }
    return grown_[best];
}

// The freeable input that most others sharing an output with the term would need freed.
unsigned expander::most_wanted_input(std::size_t index, const fit_term& term, unsigned freeable) const {
    unsigned best = freeable & (~freeable + 1);
    std::size_t best_count = 0;
    budget_.spend(terms_.size() * static_cast<std::size_t>(std::popcount(freeable)));
    for (unsigned inputs = freeable; inputs != 0; inputs &= inputs - 1) {
        const unsigned input = inputs & (~inputs + 1);
        std::size_t count = 0;
        for (std::size_t other = 0; other < terms_.size(); ++other) {
            if (other != index && gone_[other] == 0 && (terms_[other].outputs & term.outputs) != 0 &&
                (inputs_to_free(term, terms_[other]) & input) != 0) {
                ++count;
            }
        }
        if (count > best_count) {
            best = input;
            best_count = count;
        }
    }
    return best;
}

void expander::expand(std::size_t index) {
    fit_term term = terms_[index];
    std::fill(blocked_.begin(), blocked_.end(), std::uint8_t{0});
    unsigned freeable = freeable_inputs(term, term.care, function_, budget_);
    unsigned addable = addable_outputs(term, 0xFFU, function_, budget_);
    while (!budget_.exhausted()) {
        find_feasible(index, term, freeable, addable);
        if (!feasible_.empty()) {
            term = best_feasible();
        } else if (freeable != 0) {
            const unsigned input = most_wanted_input(index, term, freeable);
            term.care = static_cast<std::uint16_t>(term.care & ~input);
            term.levels = static_cast<std::uint16_t>(term.levels & ~input);
        } else {
            break;
        }
        freeable = freeable_inputs(term, freeable, function_, budget_);
        addable = addable_outputs(term, addable, function_, budget_);
    }
    term.outputs = static_cast<std::uint8_t>(term.outputs | addable);
    terms_[index] = term;
    for (std::size_t other = 0; other < terms_.size(); ++other) {
        if (other != index && gone_[other] == 0 && swallows(term, terms_[other])) {
            gone_[other] = 1;
        }
    }
}

} // namespace

void expand_cover(cover& terms, const output_sets& function, effort& budget) {
    // Large terms first: they are the likeliest to swallow the small ones.
    std::vector<std::size_t> order(terms.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
        return std::popcount(terms[left].care) < std::popcount(terms[right].care);
    });
    expander growing(terms, function, budget);
    for (const std::size_t index : order) {
        if (!growing.gone(index)) {
            growing.expand(index);
        }
    }
    cover kept;
    kept.reserve(terms.size());
    for (std::size_t index = 0; index < terms.size(); ++index) {
        if (!growing.gone(index)) {
            kept.push_back(terms[index]);
        }
    }
    terms = std::move(kept);
}
