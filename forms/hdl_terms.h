// What the Verilog and VHDL writers share: each output's products as literals.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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

// How a language writes a sum of products.
struct hdl_words {
    std::string_view and_word; // between literals
    std::string_view not_word; // before an input needed low
    std::string_view or_word;  // between products
    std::string_view one;      // a product of no literal
    std::string_view zero;     // a sum of no product
};

// The sum of the products that feed `output`, each in parentheses.
inline std::string hdl_sum(const pla_fuses& fuses, std::size_t output, const hdl_words& words) {
    std::string sum;
    for (const auto& literals : hdl_products(fuses, output)) {
        std::string product;
        for (const hdl_literal& literal : literals) {
            product += product.empty() ? "" : words.and_word;
            product += literal.low ? words.not_word : "";
            product += 'I';
            product += std::to_string(literal.input);
        }
        sum += sum.empty() ? "" : words.or_word;
        sum += "(" + (product.empty() ? std::string{words.one} : product) + ")";
    }
    return sum.empty() ? std::string{words.zero} : sum;
}
