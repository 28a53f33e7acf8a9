// plakit gal: a programming of the 82S100 as two GAL22V10s on a board, each output with the
// fewest terms the minimizer proves at its better polarity.
#include <algorithm>
#include <bit>
#include <span>

#include "commands/commands.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "gal/plan.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "wiring/wiring_text.h"

namespace {

// Each output's search gets an eighth of fit's default effort: all eight take at most what
// one fit of the whole array may.
constexpr std::uint64_t output_effort = fit_default_effort / gal_socket_outputs;

using table_span = std::span<const std::uint8_t, fit_table_size>;

bool read_board(const gal_options& options, gal_board& board, gal_board_places& places,
                std::vector<std::string>& messages) {
    places = {};
    if (options.board != gal_board_kind::file) {
        board = gal_built_in_board(); // the chosen board replaces it later
        return true;
    }
    std::string text;
    if (!options.board_file.read(wiring_size_limit, text, messages)) {
        return false;
    }
    const auto error = read_gal_board(text, options.ce_tied, board, places);
    if (!error) {
        return true;
    }
    messages.push_back(failure_line(options.board_file.name + ":" + std::to_string(error->place.line) + ":" +
                                        std::to_string(error->place.column),
                                    error->message));
    return false;
}

bool read_wiring(const command_wiring& given, eprom_wiring& wiring, std::vector<std::string>& messages) {
    if (given.named) {
        wiring = *given.named;
        return true;
    }
    std::string text;
    if (!given.file.read(wiring_size_limit, text, messages)) {
        return false;
    }
    const auto error = read_wiring_text(text, wiring);
    if (error) {
        messages.push_back(failure_line(
            given.file.name + ":" + std::to_string(error->line) + ":" + std::to_string(error->column), error->message));
    }
    return !error;
}

// What the chips must drive: the built-in programming, an image through the wiring, or any
// programming or design; or the line that says why not.
bool read_wanted(const command_programming& programming, const gal_options& options, design& wanted,
                 std::vector<std::string>& messages) {
    wanted.table.resize(fit_table_size);
    wanted.care.assign(fit_table_size, 0xFF);
    wanted.placement.clear();
    if (!programming) {
        pla_truth_table(pla_fuse_map, std::span<std::uint8_t, fit_table_size>{wanted.table.data(), fit_table_size});
        return true;
    }
    std::string bytes;
    if (!programming->read(programming_size_limit, bytes, messages)) {
        return false;
    }
    const bool image = options.image || (options.programming.form == programming_form::automatic &&
                                         bytes.size() == eprom_image_size && !holds_text_form(bytes));
    if (image) {
        eprom_wiring wiring{};
        if (!read_wiring(options.wiring, wiring, messages)) {
            return false;
        }
        if (const auto problem = fit_size_problem(bytes.size())) {
            messages.push_back(failure_line(programming->name, *problem));
            return false;
        }
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> read{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                   eprom_image_size};
        eprom_image_to_truth_table(read, wiring,
                                   std::span<std::uint8_t, fit_table_size>{wanted.table.data(), fit_table_size});
        return true;
    }
    form_warnings warnings;
    if (const auto error = read_design(bytes, options.programming.form, options.programming.order, wanted, &warnings)) {
        messages.push_back(failure_line(programming->name + form_error_place(*error), error->message));
        return false;
    }
    for (const std::string& warning : warnings) {
        messages.push_back(failure_line(programming->name, "warning: " + warning));
    }
    if (!wanted.placement.empty()) {
        messages.push_back(failure_line(programming->name, wanted.placement));
    }
    return true;
}

// One output's function: its level (bit `output` of table) where care has that bit.
struct output_function {
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
};

output_function function_of(const design& wanted, unsigned output) {
    output_function function{wanted.table, wanted.care};
    const auto bit = static_cast<std::uint8_t>(1U << output);
    for (std::uint8_t& cared : function.care) {
        cared &= bit;
    }
    return function;
}

// Makes the function not depend on input `input`, each word taking the level of the word
// that differs from it in that input where only one of them is cared for; false when it
// depends on it (two such words cared for, at different levels).
bool fold_input(output_function& function, unsigned input) {
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

// The inputs the function depends on where it cares: bit j, some two words that differ in
// Ij alone are both cared for and at different levels.
std::uint16_t inputs_read(const output_function& function) {
    unsigned inputs = 0;
    for (unsigned input = 0; input < pla_input_count; ++input) {
        const std::size_t step = std::size_t{1} << input;
        for (std::size_t low = 0; low < fit_table_size && ((inputs >> input) & 1U) == 0; ++low) {
            const std::size_t high = low | step;
            if ((low & step) == 0 &&
                ((function.table[low] ^ function.table[high]) & function.care[low] & function.care[high]) != 0) {
                inputs |= 1U << input;
            }
        }
    }
    return static_cast<std::uint16_t>(inputs);
}

// What the search found for one output.
struct output_found {
    gal_output_logic logic;
    std::uint16_t inputs = 0; // those its terms read
    bool proven = false;
    std::size_t lower_bound = 0;
};

// The room an output has, in words: where its terms may go.
std::string room_text(const gal_options& options, std::size_t chip, std::size_t room, unsigned inputs) {
    if (options.board == gal_board_kind::automatic) {
        return "a GAL22V10 that reads its " + std::to_string(inputs) + " inputs holds " + std::to_string(room);
    }
    return "its cell and the spare cells of chip " + std::to_string(chip + 1) + " hold " + std::to_string(room);
}

class gal_work {
public:
    gal_work(const command_programming& programming, const gal_options& options) : options_(options) {
        where_ = programming ? programming->name : "the built-in programming";
    }

    gal_result run(const command_programming& programming);

private:
    // Searches the terms of every output; false with the line that says which does not fit.
    bool find_terms(const design& wanted);
    bool find_output(const design& wanted, unsigned output);
    // The place a line about `output` names: its line of the board file, or the programming.
    [[nodiscard]] std::string place_of(unsigned output) const;
    [[nodiscard]] std::string notes(const gal_plan& plan) const;
    [[nodiscard]] std::string summary(const gal_plan& plan) const;
    bool fail(std::string what, std::string_view reason) {
        result_.messages.push_back(failure_line(what, reason));
        return false;
    }

    const gal_options& options_;
    std::string where_;
    gal_result result_;
    gal_board board_;
    gal_board_places places_{};
    std::array<output_found, gal_socket_outputs> found_;
};

std::string gal_work::place_of(unsigned output) const {
    if (options_.board != gal_board_kind::file) {
        return where_;
    }
    const std::size_t chip = gal_chip_of_output(board_, output);
    const gal_board_place place = places_[chip][gal_pin_of(board_, chip, gal_output_signal(output))];
    return options_.board_file.name + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

bool gal_work::find_output(const design& wanted, unsigned output) {
    output_function function = function_of(wanted, output);
    const std::string name = "F" + std::to_string(output);
    std::size_t chip = 0;
    std::size_t room = 0;
    unsigned allowed = 0xFFFFU;
    const unsigned inputs = static_cast<unsigned>(std::popcount(inputs_read(function))) + (options_.ce_tied ? 0 : 1);
    if (options_.board == gal_board_kind::automatic) {
        room = gal_most_room(inputs);
    } else {
        chip = gal_chip_of_output(board_, output);
        room = gal_room(board_, output);
        allowed = gal_inputs_of(board_, chip);
        for (unsigned input = 0; input < pla_input_count; ++input) {
            if (((allowed >> input) & 1U) == 0 && !fold_input(function, input)) {
                return fail(place_of(output), name + " depends on I" + std::to_string(input) + ", which chip " +
                                                  std::to_string(chip + 1) + " does not carry");
            }
        }
    }
    const fit_result fit = fit_design(table_span{function.table.data(), fit_table_size},
                                      table_span{function.care.data(), fit_table_size}, {room, output_effort});
    const std::string in_room = room_text(options_, chip, room, inputs);
    if (fit.outcome == fit_outcome::impossible) {
        return fail(place_of(output), name + " needs at least " + std::to_string(fit.lower_bound) +
                                          " terms at either polarity; " + in_room);
    }
    if (!fit.found) {
        return fail(place_of(output), name + ": no " + std::to_string(room) + " terms found that drive it (" + in_room +
                                          "; at least " + std::to_string(fit.lower_bound) +
                                          " are needed at either polarity)");
    }
    output_found& found = found_[output];
    found.logic.active_high = ((fit.inverted_outputs >> output) & 1U) == 0;
    found.logic.terms.clear();
    found.inputs = 0;
    for (const fit_term& term : fit.terms) {
        if (((term.outputs >> output) & 1U) != 0) {
            // A literal of an input the chip lacks is one the folded function ignores.
            const auto care = static_cast<std::uint16_t>(term.care & allowed);
            found.logic.terms.push_back({care, static_cast<std::uint16_t>(term.levels & care)});
            found.inputs |= care;
        }
    }
    found.proven = fit.outcome == fit_outcome::proven;
    found.lower_bound = fit.lower_bound;
    return true;
}

bool gal_work::find_terms(const design& wanted) {
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        if (!find_output(wanted, output)) {
            return false;
        }
    }
    return true;
}

std::string gal_work::notes(const gal_plan& plan) const {
    std::string text = "# What this programming takes, output by output:\n";
    bool all_proven = true;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        const output_found& found = found_[output];
        const std::size_t chip = gal_chip_of_output(plan.board, output);
        const std::size_t terms = found.logic.terms.size();
        text += "#   F" + std::to_string(output) + ": " + std::to_string(terms) +
                (terms == 1 ? " term, " : " terms, ") + (found.logic.active_high ? "active high" : "active low") +
                ", on " + std::to_string(chip + 1) + "." +
                std::to_string(gal_pin_of(plan.board, chip, gal_output_signal(output)));
        for (std::size_t spare = 0; spare < plan.spares[output].size(); ++spare) {
            text += (spare == 0 ? ", spilled into " : " and ") + std::to_string(chip + 1) + "." +
                    std::to_string(plan.spares[output][spare]);
        }
        text += plan.spares[output].empty() ? "\n" : ": one gate slower\n";
        if (!found.proven) {
            all_proven = false;
            text += "#       (the fewest found; at least " + std::to_string(found.lower_bound) + " are needed)\n";
        }
    }
    if (all_proven) {
        text += "# Each output's terms are the fewest possible at its better polarity.\n";
    }
    text += options_.ce_tied ? "# /CE is tied active: the outputs are always enabled.\n"
                             : "# The outputs are enabled while CE is low, as the 82S100's are.\n";
    return text;
}

std::string gal_work::summary(const gal_plan& plan) const {
    std::string text;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        text += (output == 0 ? "" : ", ") + std::to_string(found_[output].logic.terms.size());
    }
    text += " terms (F0-F7)";
    std::string unproven;
    std::string spilled;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        const std::string name = "F" + std::to_string(output);
        if (!found_[output].proven) {
            unproven += (unproven.empty() ? "" : ", ") + name + " (at least " +
                        std::to_string(found_[output].lower_bound) + ")";
        }
        if (!plan.spares[output].empty()) {
            spilled += (spilled.empty() ? "" : ", ") + name;
        }
    }
    text += unproven.empty() ? ", each the fewest possible" : ", the fewest found but " + unproven;
    text += spilled.empty() ? "; no output spills" : "; " + spilled + " spilled, one gate slower";
    return text;
}

gal_result gal_work::run(const command_programming& programming) {
    result_.status = status_failed;
    if (!read_board(options_, board_, places_, result_.messages)) {
        return result_;
    }
    static design wanted;
    if (!read_wanted(programming, options_, wanted, result_.messages) || !find_terms(wanted)) {
        return result_;
    }
    gal_output_terms terms{};
    std::array<std::uint16_t, gal_socket_outputs> inputs{};
    std::array<gal_output_logic, gal_socket_outputs> logic;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        terms[output] = found_[output].logic.terms.size();
        inputs[output] = found_[output].inputs;
        logic[output] = found_[output].logic;
    }
    gal_plan plan;
    const auto refusal = options_.board == gal_board_kind::automatic
                             ? gal_choose_board(terms, inputs, options_.ce_tied, plan)
                             : gal_place_spills(board_, terms, plan);
    if (refusal) {
        fail(options_.board == gal_board_kind::file ? options_.board_file.name : where_, *refusal);
        return result_;
    }
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        std::string outputs;
        for (unsigned output = 0; output < gal_socket_outputs; ++output) {
            if (gal_chip_of_output(plan.board, output) == chip) {
                outputs += " F" + std::to_string(output);
            }
        }
        const std::string title = "chip " + std::to_string(chip + 1) + " of the 82S100's pair (" +
                                  (outputs.empty() ? std::string{"no output"} : "outputs" + outputs) + ")";
        result_.files.emplace_back(options_.name + "-" + std::to_string(chip + 1) + ".jed",
                                   write_gal_jedec(gal_fuse_map(gal_chip_logic_of(plan, chip, logic, options_.ce_tied)),
                                                   title, program_version()));
    }
    const std::string board_name = options_.name + "-board.txt";
    result_.files.emplace_back(board_name, write_gal_plan_board(plan, notes(plan)));
    result_.messages.push_back(failure_line(board_name, summary(plan)));
    result_.status = status_done;
    return result_;
}

} // namespace

gal_result run_gal(const command_programming& programming, const gal_options& options) {
    return gal_work(programming, options).run(programming);
}
