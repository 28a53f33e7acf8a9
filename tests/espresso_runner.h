// Espresso, the field's own minimizer, run on a whole truth table: the tests and the
// benchmark hold the fit against it. Only where the build found it (PLA_EPROM_ESPRESSO).
#pragma once

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "minimize/minimize.h"

struct espresso_answer {
    // The terms of its answer (its `.p` line); SIZE_MAX where it failed or gave none.
    std::size_t terms;
    // Its processor time.
    double seconds;
};

namespace espresso_detail {

// Processor time of the children waited for so far, in seconds.
inline double children_seconds() {
#ifdef _WIN32
    return 0; // the Windows build has no Espresso beside it: its peer test skips
#else
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// Espresso in `mode` on `stem`.pla, its answer in `stem`.out; both removed after.
inline espresso_answer run(const std::string& program, const std::string& mode, const std::string& stem) {
    const double before = espresso_detail::children_seconds();
    const std::string command = program + " " + mode + " " + stem + ".pla > " + stem + ".out";
    const int status = std::system(command.c_str());
    const double seconds = espresso_detail::children_seconds() - before;
    std::ifstream answer(stem + ".out");
    std::string line;
    std::size_t terms = SIZE_MAX;
    while (status == 0 && std::getline(answer, line)) {
        if (line.rfind(".p ", 0) == 0) {
            terms = std::stoul(line.substr(3));
        }
    }
    std::filesystem::remove(stem + ".pla");
    std::filesystem::remove(stem + ".out");
    return {terms, seconds};
}

} // namespace espresso_detail

// Espresso at `program` on the table with the outputs of `inverted` complemented, in
// `mode` (-Dexact, or -Dopoall -S1 over all polarities). Its files are `stem`.pla and
// `stem`.out, removed after.
inline espresso_answer run_espresso(const std::string& program, std::span<const std::uint8_t, fit_table_size> table,
                                    unsigned inverted, const std::string& mode, const std::string& stem) {
    {
        std::ofstream pla(stem + ".pla");
        pla << ".i 16\n.o 8\n.type fr\n";
        for (unsigned word = 0; word < fit_table_size; ++word) {
            std::string line(16 + 1 + 8, ' ');
            for (unsigned input = 0; input < 16; ++input) {
                line[input] = static_cast<char>('0' + ((word >> input) & 1U));
            }
            for (unsigned output = 0; output < 8; ++output) {
                line[17 + output] = static_cast<char>('0' + (((table[word] ^ inverted) >> output) & 1U));
            }
            pla << line << '\n';
        }
        pla << ".e\n";
    }
    return espresso_detail::run(program, mode, stem);
}

// The same for a table that reads only the address bits `inputs` (its input 0 first),
// levels free where `care` is clear: Espresso is given those inputs alone, 2 to the
// inputs rows, fast where the table reads few.
inline espresso_answer run_espresso_on(const std::string& program, std::span<const std::uint8_t, fit_table_size> table,
                                       std::span<const std::uint8_t, fit_table_size> care,
                                       const std::vector<unsigned>& inputs, unsigned inverted, const std::string& mode,
                                       const std::string& stem) {
    {
        std::ofstream pla(stem + ".pla");
        pla << ".i " << inputs.size() << "\n.o 8\n.type fdr\n";
        for (std::size_t small = 0; small < (std::size_t{1} << inputs.size()); ++small) {
            std::size_t word = 0;
            std::string line(inputs.size() + 1 + 8, ' ');
            for (std::size_t input = 0; input < inputs.size(); ++input) {
                word |= ((small >> input) & 1U) << inputs[input];
                line[input] = static_cast<char>('0' + ((small >> input) & 1U));
            }
            for (unsigned output = 0; output < 8; ++output) {
                line[inputs.size() + 1 + output] =
                    ((care[word] >> output) & 1U) == 0
                        ? '-'
                        : static_cast<char>('0' + (((table[word] ^ inverted) >> output) & 1U));
            }
            pla << line << '\n';
        }
        pla << ".e\n";
    }
    return espresso_detail::run(program, mode, stem);
}
