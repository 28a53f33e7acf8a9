// plakit gal: a programming of the 82S100 as two GAL22V10s on a board, each output with the
// fewest terms the minimizer proves at its better polarity.
#include <bit>
#include <span>

#include "commands/common.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "gal/outputs.h"
#include "minimize/fit_report.h"

namespace {

// Each output's search gets an eighth of fit's default effort: all eight take at most what
// one fit of the whole array may.
constexpr std::uint64_t output_effort = fit_default_effort / gal_socket_outputs;

std::string place_text(const std::string& name, const gal_board_place& place) {
    return name + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
}

bool read_board(const gal_options& options, gal_board& board, gal_board_places& places,
                std::vector<std::string>& messages) {
    places = {};
    if (options.board != gal_board_kind::file) {
        board = gal_built_in_board(); // a chosen board replaces it later
        return true;
    }
    std::string text;
    if (!options.board_file.read(wiring_size_limit, text, messages)) {
        return false;
    }
    const auto error = read_gal_board(text, options.ce_tied, board, places);
    if (error) {
        messages.push_back(failure_line(place_text(options.board_file.name, error->place), error->message));
    }
    return !error;
}

// What the chips must drive: the built-in programming, an image through the wiring, or any
// programming or design; or the line that says why not.
bool read_wanted(const command_programming& programming, const gal_options& options, const eprom_wiring& wiring,
                 design& wanted, std::vector<std::string>& messages) {
    wanted.table.resize(fit_table_size);
    wanted.care.assign(fit_table_size, 0xFF);
    wanted.placement.clear();
    const std::span<std::uint8_t, fit_table_size> table{wanted.table.data(), fit_table_size};
    if (!programming) {
        pla_truth_table(pla_fuse_map, table);
        return true;
    }
    std::string bytes;
    if (!programming->read(programming_size_limit, bytes, messages)) {
        return false;
    }
    if (options.image || (options.programming.form == programming_form::automatic && bytes.size() == eprom_image_size &&
                          !holds_text_form(bytes))) {
        if (const auto problem = fit_size_problem(bytes.size())) {
            messages.push_back(failure_line(programming->name, *problem));
            return false;
        }
        eprom_image_to_truth_table(bytes_of(bytes).first<eprom_image_size>(), wiring, table);
        return true;
    }
    form_warnings warnings;
    if (const auto error = read_design(bytes, options.programming.form, options.programming.order, wanted, &warnings)) {
        messages.push_back(failure_line(programming->name + form_error_place(*error), error->message));
        return false;
    }
    add_warnings(*programming, warnings, messages);
    if (!wanted.placement.empty()) {
        messages.push_back(failure_line(programming->name, wanted.placement));
    }
    return true;
}

class gal_work {
public:
    gal_work(const command_programming& programming, const gal_options& options)
        : options_(options), where_(programming ? programming->name : "the built-in programming") {}

    gal_result run(const command_programming& programming);

private:
    bool find_output(const design& wanted, unsigned output);
    // The place a line about `output` names: its line of the board file, or the programming.
    [[nodiscard]] std::string place_of(unsigned output) const {
        if (options_.board != gal_board_kind::file) {
            return where_;
        }
        const std::size_t chip = gal_chip_of_output(board_, output);
        return place_text(options_.board_file.name,
                          places_[chip][gal_pin_of(board_.pins[chip], gal_output_signal(output))]);
    }
    bool fail(const std::string& what, const std::string& reason) {
        result_.messages.push_back(failure_line(what, reason));
        return false;
    }

    const gal_options& options_;
    std::string where_;
    gal_result result_;
    gal_board board_;
    gal_board_places places_{};
    std::array<gal_output_fit, gal_socket_outputs> fits_;
};

bool gal_work::find_output(const design& wanted, unsigned output) {
    gal_function function{wanted.table, wanted.care, output};
    const std::string name = "F" + std::to_string(output);
    const bool chosen = options_.board == gal_board_kind::automatic;
    const std::size_t chip = chosen ? 0 : gal_chip_of_output(board_, output);
    // On a chosen board, the output's chip carries the inputs it reads, and CE.
    const unsigned inputs =
        chosen ? static_cast<unsigned>(std::popcount(gal_inputs_read(function))) + (options_.ce_tied ? 0 : 1) : 0;
    const std::size_t room = chosen ? gal_most_room(inputs) : gal_room(board_, output);
    const auto allowed = chosen ? std::uint16_t{0xFFFF} : gal_inputs_of(board_, chip);
    const gal_output_fit& fit = fits_[output] = gal_fit_output(std::move(function), {room, allowed, output_effort});
    const std::string in_room =
        (chosen ? "a GAL22V10 that reads its " + std::to_string(inputs) + " inputs holds "
                : "its cell and the spare cells of chip " + std::to_string(chip + 1) + " hold ") +
        std::to_string(room);
    switch (fit.result) {
    case gal_output_fit::outcome::found:
        return true;
    case gal_output_fit::outcome::depends:
        return fail(place_of(output), name + " depends on I" + std::to_string(fit.input) + ", which chip " +
                                          std::to_string(chip + 1) + " does not carry");
    case gal_output_fit::outcome::impossible:
        return fail(place_of(output), name + " needs at least " + std::to_string(fit.lower_bound) +
                                          " terms at either polarity; " + in_room);
    case gal_output_fit::outcome::not_found:
        break;
    }
    return fail(place_of(output), name + ": no " + std::to_string(room) + " terms found that drive it (" + in_room +
                                      "; at least " + std::to_string(fit.lower_bound) + " are needed)");
}

gal_result gal_work::run(const command_programming& programming) {
    result_.status = status_failed;
    eprom_wiring wiring{};
    if (!read_board(options_, board_, places_, result_.messages) ||
        !read_wiring(options_.wiring, wiring, result_.messages)) {
        return result_;
    }
    static design wanted;
    if (!read_wanted(programming, options_, wiring, wanted, result_.messages)) {
        return result_;
    }
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        if (!find_output(wanted, output)) {
            return result_;
        }
    }
    gal_output_terms terms{};
    std::array<std::uint16_t, gal_socket_outputs> inputs{};
    std::array<gal_output_logic, gal_socket_outputs> logic;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        terms[output] = fits_[output].logic.terms.size();
        inputs[output] = fits_[output].inputs;
        logic[output] = fits_[output].logic;
    }
    gal_plan plan;
    const bool chosen = options_.board == gal_board_kind::automatic;
    if (const auto refusal =
            chosen ? gal_choose_board(terms, inputs, options_.ce_tied, plan) : gal_place_spills(board_, terms, plan)) {
        fail(options_.board == gal_board_kind::file ? options_.board_file.name : where_, *refusal);
        return result_;
    }
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        std::string outputs;
        for (unsigned output = 0; output < gal_socket_outputs; ++output) {
            outputs += gal_chip_of_output(plan.board, output) == chip ? " F" + std::to_string(output) : "";
        }
        const std::string title = "chip " + std::to_string(chip + 1) + " of the 82S100's pair (" +
                                  (outputs.empty() ? std::string{"no output"} : "outputs" + outputs) + ")";
        result_.files.emplace_back(
            options_.name + "-" + std::to_string(chip + 1) + ".jed",
            write_gal_jedec(gal_fuse_map(gal_chip_logic_of(plan, chip, logic, options_.ce_tied)), title, version_line));
    }
    const std::string board_name = options_.name + "-board.txt";
    result_.files.emplace_back(board_name, write_gal_plan_board(plan, gal_output_notes(plan, fits_, options_.ce_tied)));
    result_.messages.push_back(failure_line(board_name, gal_output_summary(plan, fits_)));
    result_.status = status_done;
    return result_;
}

} // namespace

gal_result run_gal(const command_programming& programming, const gal_options& options) {
    return gal_work(programming, options).run(programming);
}
