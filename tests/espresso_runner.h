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
