#include "gal/outputs.h"

#include <algorithm>

namespace {

using table_span = std::span<const std::uint8_t, fit_table_size>;

// Makes the function not depend on `input`; false when it does.
bool fold_input(gal_function& function, unsigned input) {
    const std::size_t step = std::size_t{1} << input;
    for (std::size_t low = 0; low < fit_table_size; ++low) {
        if ((low & step) != 0) {
            continue;
        }
        const std::size_t high = low | step;
        if (function.care[low] != 0 && function.care[high] != 0) {
            if (((function.table[low] ^ function.table[high]) & function.care[low]) != 0) {
                return false;
            }
        } else if (function.care[low] != 0 || function.care[high] != 0) {
            const std::size_t from = function.care[low] != 0 ? low : high;
            function.table[low] = function.table[high] = function.table[from];
            function.care[low] = function.care[high] = function.care[from];
        }
    }
    return true;
}

std::string output_name(unsigned output) {
    return "F" + std::to_string(output);
}

std::string pin_name(std::size_t chip, unsigned pin) {
    return std::to_string(chip + 1) + "." + std::to_string(pin);
}

} // namespace

std::uint16_t gal_inputs_read(const gal_function& function) {
    const unsigned bit = 1U << function.output;
    unsigned inputs = 0;
    for (unsigned input = 0; input < gal_socket_inputs; ++input) {
        const std::size_t step = std::size_t{1} << input;
        for (std::size_t low = 0; low < fit_table_size && ((inputs >> input) & 1U) == 0; ++low) {
            const std::size_t high = low | step;
            if ((low & step) == 0 &&
                ((function.table[low] ^ function.table[high]) & function.care[low] & function.care[high] & bit) != 0) {
                inputs |= 1U << input;
            }
        }
    }
    return static_cast<std::uint16_t>(inputs);
}

gal_output_fit gal_fit_output(gal_function function, const gal_output_room& room) {
    gal_output_fit fit;
    const auto bit = static_cast<std::uint8_t>(1U << function.output);
    std::transform(function.care.begin(), function.care.end(), function.care.begin(),
                   [bit](std::uint8_t cared) { return static_cast<std::uint8_t>(cared & bit); });
    for (unsigned input = 0; input < gal_socket_inputs; ++input) {
        if (((room.inputs >> input) & 1U) == 0 && !fold_input(function, input)) {
            fit.result = gal_output_fit::outcome::depends;
            fit.input = input;
            return fit;
        }
    }
    const fit_result found = fit_design(table_span{function.table.data(), fit_table_size},
                                        table_span{function.care.data(), fit_table_size}, {room.terms, room.effort});
    fit.lower_bound = found.lower_bound;
    if (found.outcome == fit_outcome::impossible) {
        fit.result = gal_output_fit::outcome::impossible;
        return fit;
    }
    if (!found.found) {
        return fit;
    }
    fit.result = gal_output_fit::outcome::found;
    fit.proven = found.outcome == fit_outcome::proven;
    fit.logic.active_high = ((found.inverted_outputs >> function.output) & 1U) == 0;
    for (const fit_term& term : found.terms) {
        if ((term.outputs & bit) != 0) {
            // A literal of an input folded away is one the folded function ignores.
            const auto care = static_cast<std::uint16_t>(term.care & room.inputs);
            fit.logic.terms.push_back({care, static_cast<std::uint16_t>(term.levels & care)});
            fit.inputs |= care;
        }
    }
    return fit;
}

std::string gal_output_notes(const gal_plan& plan, const std::array<gal_output_fit, gal_socket_outputs>& fits,
                             bool ce_tied) {
    std::string text = "# What this programming takes, output by output:\n";
    bool all_proven = true;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        const gal_output_fit& fit = fits[output];
        const std::size_t chip = gal_chip_of_output(plan.board, output);
        const std::size_t terms = fit.logic.terms.size();
        text += "#   " + output_name(output) + ": " + std::to_string(terms) + (terms == 1 ? " term, " : " terms, ") +
                (fit.logic.active_high ? "active high" : "active low") + ", on " +
                pin_name(chip, gal_pin_of(plan.board.pins[chip], gal_output_signal(output)));
        for (std::size_t spare = 0; spare < plan.spares[output].size(); ++spare) {
            text += (spare == 0 ? ", spilled into " : " and ") + pin_name(chip, plan.spares[output][spare]);
        }
        text += plan.spares[output].empty() ? "\n" : ": one gate slower\n";
        if (!fit.proven) {
            all_proven = false;
            text += "#       (the fewest found; at least " + std::to_string(fit.lower_bound) + " are needed)\n";
        }
    }
    if (all_proven) {
        text += "# Each output's terms are the fewest possible at its better polarity.\n";
    }
    text += ce_tied ? "# /CE is tied active: the outputs are always enabled.\n"
                    : "# The outputs are enabled while CE is low, as the 82S100's are.\n";
    return text;
}

std::string gal_output_summary(const gal_plan& plan, const std::array<gal_output_fit, gal_socket_outputs>& fits) {
    std::string text;
    std::string unproven;
    std::string spilled;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        text += (output == 0 ? "" : ", ") + std::to_string(fits[output].logic.terms.size());
        if (!fits[output].proven) {
            unproven += (unproven.empty() ? "" : ", ") + output_name(output) + " (at least " +
                        std::to_string(fits[output].lower_bound) + ")";
        }
        if (!plan.spares[output].empty()) {
            spilled += (spilled.empty() ? "" : ", ") + output_name(output);
        }
    }
    text += " terms (F0-F7)";
    text += unproven.empty() ? ", each the fewest possible" : ", the fewest found but " + unproven;
    text += spilled.empty() ? "; no output spills" : "; " + spilled + " spilled, one gate slower";
    return text;
}
