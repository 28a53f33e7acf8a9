#include "gal/plan.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <tuple>
#include <utility>

namespace {

constexpr unsigned all_cells = (1U << gal_cell_count) - 1;

// The input-only pins, in the order a chosen board fills them.
constexpr std::array<unsigned, 12> input_pins = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13};

// The cells, largest first (pins 19, 18, 20, 17, 21, 16, 22, 15, 23, 14): the order in which
// outputs try cells and spills try spare cells.
constexpr std::array<std::size_t, gal_cell_count> cells_by_size = {4, 5, 3, 6, 2, 7, 1, 8, 0, 9};

constexpr bool is_by_size() noexcept {
    unsigned seen = 0;
    for (std::size_t position = 0; position < gal_cell_count; ++position) {
        seen |= 1U << cells_by_size[position];
        if (position > 0 && gal_cells[cells_by_size[position]].terms > gal_cells[cells_by_size[position - 1]].terms) {
            return false;
        }
    }
    return seen == (1U << gal_cell_count) - 1;
}
static_assert(is_by_size(), "every cell once, largest first");

constexpr std::size_t terms_of(std::size_t cell) noexcept {
    return gal_cells[cell].terms;
}

constexpr unsigned bit_of(std::size_t cell) noexcept {
    return 1U << cell;
}

// One chip's outputs to place: each on its cell (fixed by a board, or any free one), each
// spill on free cells, and `input_cells` free cells left for inputs.
struct chip_task {
    std::vector<unsigned> outputs; // neediest first
    gal_output_terms terms{};
    std::array<std::optional<std::size_t>, gal_socket_outputs> fixed_cell{};
    unsigned free_cells = 0;
    unsigned input_cells = 0;
};

// A placement: each output's cell and spare cells (a mask), and its cost.
struct chip_choice {
    std::array<std::size_t, gal_socket_outputs> cell{};
    std::array<unsigned, gal_socket_outputs> spares{};
    unsigned spilled = 0;
    unsigned spare_count = 0;
    std::size_t spare_terms = 0; // the terms the spare cells hold, used or not
    unsigned free_cells = 0;
};

auto cost_of(const chip_choice& choice) noexcept {
    return std::tuple{choice.spilled, choice.spare_count, choice.spare_terms};
}

// Every placement of a chip's outputs, as far as cells of equal size are alike; keeps the
// one with the fewest outputs spilled, then the fewest spare cells, then the smallest.
class chip_search {
public:
    explicit chip_search(const chip_task& task) : task_(task) {}

    std::optional<chip_choice> run() {
        cells_wanted_.assign(task_.outputs.size() + 1, task_.input_cells);
        for (std::size_t index = task_.outputs.size(); index-- > 0;) {
            cells_wanted_[index] = cells_wanted_[index + 1] + (task_.fixed_cell[task_.outputs[index]] ? 0 : 1);
        }
        chip_choice current;
        place(0, task_.free_cells, current);
        return best_;
    }

private:
    // Whether `free` leaves a cell for each output from the one `placed` on that takes a
    // free one, and for the inputs.
    [[nodiscard]] bool enough_cells(std::size_t placed, unsigned free) const {
        return static_cast<unsigned>(std::popcount(free)) >= cells_wanted_[placed];
    }

    [[nodiscard]] bool no_better(const chip_choice& current) const {
        return best_ && cost_of(current) >= cost_of(*best_);
    }

    // Places the outputs from the one `placed` on. Its depth is at most the outputs and the
    // cells together.
    // NOLINTNEXTLINE(misc-no-recursion)
    void place(std::size_t placed, unsigned free, chip_choice& current) {
        if (no_better(current) || !enough_cells(placed, free)) {
            return;
        }
        if (placed == task_.outputs.size()) {
            best_ = current;
            best_->free_cells = free;
            return;
        }
        const unsigned output = task_.outputs[placed];
        const std::size_t need = task_.terms[output];
        std::array<bool, 17> size_tried{};
        for (const std::size_t cell : cells_by_size) {
            const bool fixed = task_.fixed_cell[output] == cell;
            if (task_.fixed_cell[output] ? !fixed : ((free & bit_of(cell)) == 0 || size_tried[terms_of(cell)])) {
                continue;
            }
            size_tried[terms_of(cell)] = true;
            current.cell[output] = cell;
            const unsigned rest = fixed ? free : free & ~bit_of(cell);
            if (need <= terms_of(cell)) {
                current.spares[output] = 0;
                place(placed + 1, rest, current);
                continue;
            }
            ++current.spilled;
            current.spares[output] = 0;
            spill(placed, rest, current, need - terms_of(cell), 0);
            --current.spilled;
        }
    }

    // Adds spare cells to the spill of the output `placed`, from cells_by_size[from] on,
    // until they hold `short_by` terms more (each one less the term that reads its pin back).
    // NOLINTNEXTLINE(misc-no-recursion,bugprone-easily-swappable-parameters): the terms short, then the cells left
    void spill(std::size_t placed, unsigned free, chip_choice& current, std::size_t short_by, std::size_t from) {
        const unsigned output = task_.outputs[placed];
        if (short_by == 0) {
            place(placed + 1, free, current);
            return;
        }
        if (no_better(current) || !enough_cells(placed + 1, free)) {
            return;
        }
        std::array<bool, 17> size_tried{};
        for (std::size_t position = from; position < gal_cell_count; ++position) {
            const std::size_t cell = cells_by_size[position];
            if ((free & bit_of(cell)) == 0 || size_tried[terms_of(cell)]) {
                continue;
            }
            size_tried[terms_of(cell)] = true;
            current.spares[output] |= bit_of(cell);
            ++current.spare_count;
            current.spare_terms += terms_of(cell);
            const std::size_t gain = terms_of(cell) - 1;
            spill(placed, free & ~bit_of(cell), current, short_by > gain ? short_by - gain : 0, position + 1);
            --current.spare_count;
            current.spare_terms -= terms_of(cell);
            current.spares[output] &= ~bit_of(cell);
        }
    }

    const chip_task& task_;
    std::vector<unsigned> cells_wanted_; // from each output on: the free cells it and the inputs take at least
    std::optional<chip_choice> best_;
};

// The outputs of `mask`, neediest first.
std::vector<unsigned> outputs_by_need(unsigned mask, const gal_output_terms& terms) {
    std::vector<unsigned> outputs;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        if (((mask >> output) & 1U) != 0) {
            outputs.push_back(output);
        }
    }
    std::stable_sort(outputs.begin(), outputs.end(),
                     [&terms](unsigned left, unsigned right) { return terms[left] > terms[right]; });
    return outputs;
}

std::string output_list(const std::vector<unsigned>& outputs, const gal_output_terms& terms) {
    std::string text;
    for (const unsigned output : outputs) {
        text += (text.empty() ? "F" : ", F") + std::to_string(output) + " (" + std::to_string(terms[output]) + ")";
    }
    return text;
}

// Writes the choice's spares into the plan, as pins.
void note_spares(const chip_choice& choice, const std::vector<unsigned>& outputs, gal_plan& plan) {
    for (const unsigned output : outputs) {
        plan.spares[output].clear();
        for (const std::size_t cell : cells_by_size) {
            if ((choice.spares[output] & bit_of(cell)) != 0) {
                plan.spares[output].push_back(gal_cells[cell].pin);
            }
        }
    }
}

// The signals a chosen chip carries for its outputs: their inputs, and CE unless tied.
std::vector<std::uint8_t> chip_inputs(unsigned mask, const std::array<std::uint16_t, gal_socket_outputs>& inputs,
                                      bool ce_tied) {
    unsigned read = 0;
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        read |= ((mask >> output) & 1U) != 0 ? inputs[output] : 0U;
    }
    std::vector<std::uint8_t> signals;
    for (unsigned input = 0; input < gal_socket_inputs; ++input) {
        if (((read >> input) & 1U) != 0) {
            signals.push_back(static_cast<std::uint8_t>(input));
        }
    }
    if (mask != 0 && !ce_tied) {
        signals.push_back(gal_signal_ce);
    }
    return signals;
}

// A chosen chip's pins: the outputs on their cells, the inputs on the input-only pins and
// then on the smallest cells left, the spills' cells unconnected.
void wire_chip(std::size_t chip, const chip_choice& choice, const std::vector<unsigned>& outputs,
               const std::vector<std::uint8_t>& signals, gal_board& board) {
    auto& pins = board.pins[chip];
    pins.fill(gal_signal_none);
    for (const unsigned output : outputs) {
        pins[gal_cells[choice.cell[output]].pin] = gal_output_signal(output);
    }
    std::size_t next = 0;
    for (const unsigned pin : input_pins) {
        if (next < signals.size()) {
            pins[pin] = signals[next++];
        }
    }
    // The smallest cells free, in the order of their pins.
    std::vector<unsigned> cell_pins;
    for (std::size_t position = gal_cell_count; position-- > 0;) {
        const std::size_t cell = cells_by_size[position];
        if ((choice.free_cells & bit_of(cell)) != 0 && cell_pins.size() < signals.size() - next) {
            cell_pins.push_back(gal_cells[cell].pin);
        }
    }
    std::sort(cell_pins.begin(), cell_pins.end());
    for (const unsigned pin : cell_pins) {
        pins[pin] = signals[next++];
    }
}

} // namespace

std::size_t gal_room(const gal_board& board, unsigned output) {
    const std::size_t chip = gal_chip_of_output(board, output);
    const unsigned pin = gal_pin_of(board.pins[chip], gal_output_signal(output));
    std::size_t room = terms_of(gal_cell_of_pin(pin));
    for (std::size_t cell = 0; cell < gal_cell_count; ++cell) {
        if (board.pins[chip][gal_cells[cell].pin] == gal_signal_none) {
            room += terms_of(cell) - 1;
        }
    }
    return room;
}

std::size_t gal_most_room(unsigned inputs) {
    const std::size_t on_cells = inputs > input_pins.size() ? inputs - input_pins.size() : 0;
    if (on_cells >= gal_cell_count) {
        return 0;
    }
    std::size_t room = terms_of(cells_by_size[0]);
    for (std::size_t position = 1; position < gal_cell_count - on_cells; ++position) {
        room += terms_of(cells_by_size[position]) - 1;
    }
    return room;
}

std::optional<std::string> gal_place_spills(const gal_board& board, const gal_output_terms& terms, gal_plan& plan) {
    plan.board = board;
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        chip_task task;
        task.terms = terms;
        unsigned mask = 0;
        for (std::size_t cell = 0; cell < gal_cell_count; ++cell) {
            const std::uint8_t signal = board.pins[chip][gal_cells[cell].pin];
            if (signal == gal_signal_none) {
                task.free_cells |= bit_of(cell);
            } else if (gal_is_output_signal(signal)) {
                const unsigned output = signal - gal_socket_inputs;
                task.fixed_cell[output] = cell;
                mask |= 1U << output;
            }
        }
        task.outputs = outputs_by_need(mask, terms);
        const auto choice = chip_search(task).run();
        if (!choice) {
            std::vector<unsigned> spilled;
            std::copy_if(task.outputs.begin(), task.outputs.end(), std::back_inserter(spilled),
                         [&](unsigned output) { return terms[output] > terms_of(*task.fixed_cell[output]); });
            if (spilled.size() == 1) {
                return "F" + std::to_string(spilled[0]) + " needs " + std::to_string(terms[spilled[0]]) +
                       " terms; its cell and the spare cells of chip " + std::to_string(chip + 1) + " hold " +
                       std::to_string(gal_room(board, spilled[0]));
            }
            return "the spare cells of chip " + std::to_string(chip + 1) + " cannot take the rest of " +
                   output_list(spilled, terms) + " terms together";
        }
        note_spares(*choice, task.outputs, plan);
    }
    return std::nullopt;
}

std::optional<std::string> gal_choose_board(const gal_output_terms& terms,
                                            const std::array<std::uint16_t, gal_socket_outputs>& inputs, bool ce_tied,
                                            gal_plan& plan) {
    constexpr unsigned masks = 1U << gal_socket_outputs;
    std::array<std::optional<chip_choice>, masks> choices;
    for (unsigned mask = 0; mask < masks; ++mask) {
        chip_task task;
        task.terms = terms;
        task.outputs = outputs_by_need(mask, terms);
        task.free_cells = all_cells;
        const std::size_t signals = chip_inputs(mask, inputs, ce_tied).size();
        task.input_cells = static_cast<unsigned>(signals > input_pins.size() ? signals - input_pins.size() : 0);
        choices[mask] = chip_search(task).run();
    }
    // Chip 2 takes the outputs of `second`; the cost of a split, lower better.
    const auto cost = [&](unsigned second) {
        const chip_choice& one = *choices[(masks - 1) & ~second];
        const chip_choice& two = *choices[second];
        const int share = std::popcount(second) - static_cast<int>(gal_socket_outputs / 2);
        return std::tuple{one.spilled + two.spilled, share < 0 ? -share : share, one.spare_count + two.spare_count,
                          one.spare_terms + two.spare_terms, std::popcount(second ^ 0xF0U)};
    };
    std::optional<unsigned> best;
    for (unsigned second = 0; second < masks; ++second) {
        if (choices[second] && choices[(masks - 1) & ~second] && (!best || cost(second) < cost(*best))) {
            best = second;
        }
    }
    if (!best) {
        return output_list(outputs_by_need(masks - 1, terms), terms) +
               " terms: no two GAL22V10s hold them all, each chip with the inputs its outputs read";
    }
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        const unsigned mask = chip == 0 ? (masks - 1) & ~*best : *best;
        const std::vector<unsigned> outputs = outputs_by_need(mask, terms);
        wire_chip(chip, *choices[mask], outputs, chip_inputs(mask, inputs, ce_tied), plan.board);
        note_spares(*choices[mask], outputs, plan);
    }
    return std::nullopt;
}

gal_chip_logic gal_chip_logic_of(const gal_plan& plan, std::size_t chip,
                                 const std::array<gal_output_logic, gal_socket_outputs>& outputs, bool ce_tied) {
    std::array<unsigned, gal_socket_inputs> pin_of_input{};
    for (unsigned input = 0; input < gal_socket_inputs; ++input) {
        pin_of_input[input] = gal_pin_of(plan.board.pins[chip], static_cast<std::uint8_t>(input));
    }
    const auto product_of = [&](const gal_input_term& term) {
        gal_product product;
        for (unsigned input = 0; input < gal_socket_inputs; ++input) {
            if (((term.care >> input) & 1U) != 0) {
                (((term.levels >> input) & 1U) != 0 ? product.high : product.low) |= 1U << pin_of_input[input];
            }
        }
        return product;
    };
    gal_chip_logic logic;
    const unsigned ce_pin = gal_pin_of(plan.board.pins[chip], gal_signal_ce);
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        const unsigned pin = gal_pin_of(plan.board.pins[chip], gal_output_signal(output));
        if (pin == 0) {
            continue;
        }
        const std::vector<unsigned>& spares = plan.spares[output];
        gal_cell_logic& cell = logic[gal_cell_of_pin(pin)];
        cell.driven = true;
        cell.enable = ce_tied ? gal_product{} : gal_product{0, 1U << ce_pin};
        cell.active_high = outputs[output].active_high;
        const std::vector<gal_input_term>& terms = outputs[output].terms;
        // The cell's own terms first, then each spare cell's in turn; each spare's pin is read back.
        std::size_t next = std::min(terms.size(), terms_of(gal_cell_of_pin(pin)) - spares.size());
        std::transform(terms.begin(), terms.begin() + static_cast<std::ptrdiff_t>(next), std::back_inserter(cell.terms),
                       product_of);
        for (const unsigned spare_pin : spares) {
            gal_cell_logic& spare = logic[gal_cell_of_pin(spare_pin)];
            spare.driven = true;
            const std::size_t count = std::min(terms.size() - next, terms_of(gal_cell_of_pin(spare_pin)));
            std::transform(terms.begin() + static_cast<std::ptrdiff_t>(next),
                           terms.begin() + static_cast<std::ptrdiff_t>(next + count), std::back_inserter(spare.terms),
                           product_of);
            next += count;
            cell.terms.push_back({1U << spare_pin, 0});
        }
    }
    return logic;
}

std::string write_gal_plan_board(const gal_plan& plan, std::string_view notes) {
    gal_spill_pins spills{};
    for (auto& pins : spills) {
        pins.fill(gal_signal_none);
    }
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        const std::size_t chip = gal_chip_of_output(plan.board, output);
        for (const unsigned pin : plan.spares[output]) {
            spills[chip][pin] = gal_output_signal(output);
        }
    }
    return write_gal_board(plan.board, spills, notes);
}
