// What the Verilog and VHDL writers share: each output's products as literals.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "pla/pla.h"

// A literal of a product: the input, and whether the product needs it low.
struct hdl_literal {
    std::size_t input;
    bool low;
};

// The products of the terms that can be true and feed `output`, in term order.
inline std::vector<std::vector<hdl_literal>> hdl_products(const pla_fuses& fuses, std::size_t output) {
    std::vector<std::vector<hdl_literal>> products;
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (fuses[pla_output_fuse(term, output)] != 0) {
            continue;
        }
        std::vector<hdl_literal> literals;
        bool dead = false;
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            const bool complement_intact = fuses[pla_complement_fuse(term, input)] == 0;
            const bool true_intact = fuses[pla_true_fuse(term, input)] == 0;
            dead = dead || (complement_intact && true_intact);
            if (complement_intact != true_intact) {
                literals.push_back({input, complement_intact});
            }
        }
        if (!dead) {
            products.push_back(std::move(literals));
        }
    }
    return products;
}
