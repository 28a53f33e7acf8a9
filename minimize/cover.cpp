#include "minimize/cover.h"

#include <algorithm>

bool cube_inside_outputs(const output_sets& function, cube points, unsigned outputs, effort& budget) noexcept {
    std::array<const point_set*, pla_output_count> sets{};
    std::size_t count = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((outputs >> output) & 1U) != 0) {
            sets[count++] = &function.on[output];
        }
    }
    budget.spend(cube_words(points.care) * count);
    if (count == 1) {
        return cube_inside(*sets[0], points);
    }
    return for_each_cube_word(points, [&](std::size_t word, std::uint64_t mask) {
        std::uint64_t inside = mask;
        for (std::size_t set = 0; set < count; ++set) {
            inside &= (*sets[set])[word];
        }
        return inside == mask;
    });
}

cover_cost cost_of(const cover& terms) noexcept {
    std::size_t literals = 0;
    std::size_t connections = 0;
    for (const fit_term& term : terms) {
        literals += static_cast<std::size_t>(std::popcount(term.care));
        connections += static_cast<std::size_t>(std::popcount(term.outputs));
    }
    return {terms.size(), literals, connections};
}

coverage::coverage(const cover& terms, effort& budget) {
    // Counted as clearing all the planes a count may need.
    budget.spend(pla_output_count * plane_count * point_set_words / 8);
    // Room for every plane, so that growing never copies; only the planes made are cleared.
    planes_.reserve(index(0, plane_count, 0));
    for (const fit_term& term : terms) {
        add(term, term.outputs, budget);
    }
}

void coverage::add(const fit_term& term, unsigned outputs, effort& budget) {
    budget.spend(2 * cube_words(term.care) * static_cast<std::size_t>(std::popcount(outputs)));
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((outputs >> output) & 1U) == 0) {
            continue;
        }
        std::size_t& used = used_[output];
        // Adding one to counts of `used` planes carries into one plane more at most.
        if (const std::size_t reach = index(0, std::min(used + 1, plane_count), 0); reach > planes_.size()) {
            planes_.resize(reach, 0);
        }
        for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t carry) {
            for (std::size_t plane = 0; carry != 0; ++plane) {
                std::uint64_t& bits = planes_[index(output, plane, word)];
                const std::uint64_t next = bits & carry;
                bits ^= carry;
                carry = next;
                used = std::max(used, plane + 1);
            }
            return true;
        });
    }
}

void coverage::remove(const fit_term& term, unsigned outputs, effort& budget) noexcept {
    budget.spend(2 * cube_words(term.care) * static_cast<std::size_t>(std::popcount(outputs)));
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((outputs >> output) & 1U) == 0) {
            continue;
        }
        for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t borrow) {
            for (std::size_t plane = 0; borrow != 0; ++plane) {
                std::uint64_t& bits = planes_[index(output, plane, word)];
                const std::uint64_t next = ~bits & borrow;
                bits ^= borrow;
                borrow = next;
            }
            return true;
        });
    }
}
