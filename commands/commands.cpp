#include "commands/commands.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <span>
#include <utility>

#include "diagnosis/diagnosis.h"
#include "forms/berkeley.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "forms/equations.h"
#include "forms/fuse_file.h"
#include "forms/hdl.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "pla/pla.h"
#include "wiring/wiring_text.h"

namespace {

constexpr std::string_view version_line = "plakit " PLAKIT_VERSION;

constexpr std::array<std::pair<std::string_view, target_form>, 7> target_names = {{
    {"jedec", target_form::jedec},
    {"fuses", target_form::fuses},
    {"pla", target_form::pla},
    {"equations", target_form::equations},
    {"table", target_form::table},
    {"verilog", target_form::verilog},
    {"vhdl", target_form::vhdl},
}};

command_result failed(int status, std::vector<std::string> messages = {}) {
    return {status, std::nullopt, std::move(messages)};
}

command_result written(std::string output) {
    return {status_done, std::move(output), {}};
}

// The bytes of a string as the image functions take them.
std::span<const std::uint8_t> bytes_of(const std::string& text) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string text_of(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

// The lines for what the reader could not vouch for in `file`: `plakit: FILE: warning: ...`.
void add_warnings(const command_file& file, const form_warnings& warnings, std::vector<std::string>& messages) {
    std::transform(warnings.begin(), warnings.end(), std::back_inserter(messages),
                   [&file](const std::string& warning) { return failure_line(file.name, "warning: " + warning); });
}

// The fuse map in `bytes`, the whole of `file`, in `options`' form and pair order, and the
// lines of the reader's warnings; or the line that says where it is wrong.
bool parse_programming(const command_file& file, std::string_view bytes, const programming_options& options,
                       pla_fuses& fuses, std::vector<std::string>& messages) {
    form_warnings warnings;
    const auto error = read_programming(bytes, options.form, options.order, fuses, &warnings);
    if (!error) {
        add_warnings(file, warnings, messages);
        return true;
    }
    messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
    return false;
}

// The programming's fuse map: the built-in one when no file is given.
bool read_fuses(const command_programming& programming, const programming_options& options, pla_fuses& fuses,
                std::vector<std::string>& messages) {
    if (!programming) {
        fuses = pla_fuse_map;
        return true;
    }
    std::string bytes;
    return programming->read(programming_size_limit, bytes, messages) &&
           parse_programming(*programming, bytes, options, fuses, messages);
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
    if (!error) {
        return true;
    }
    messages.push_back(failure_line(
        given.file.name + ":" + std::to_string(error->line) + ":" + std::to_string(error->column), error->message));
    return false;
}

// The images burned by mistake that verify holds a dump against: the programming read in
// the other pair order, then through each named wiring other than the one given.
eprom_mix_ups mix_ups_of(jedec_pair_order order, const eprom_wiring& wiring) {
    eprom_mix_ups mix_ups{
        wiring, order == jedec_pair_order::true_first ? "--pairs complement-first" : "--pairs true-first", {}};
    for (const auto& [named, name] :
         {std::pair{eprom_wiring::adapter, "adapter"}, {eprom_wiring::straight, "straight"}}) {
        if (named != wiring) {
            mix_ups.other_wirings.push_back({named, std::string{"--wiring "} + name});
        }
    }
    return mix_ups;
}

// One side of compare: its truth table and where it matters (everywhere but a design's
// don't-cares), and its fuse map when it is a programming.
struct compared_side {
    std::array<std::uint8_t, pla_word_count> table{};
    std::array<std::uint8_t, pla_word_count> care{};
    std::optional<pla_fuses> fuses;
    bool design = false;
};

// A 65,536-byte file is an image when the form is told from the content and the content is
// not a text form (a JEDEC file padded to the EPROM's size is still JEDEC). A Berkeley PLA
// or equations are read as a design; one that is a programming of the array too, caring
// everywhere, keeps its fuse map. Any other form is a programming.
bool read_side(const command_file& file, const programming_options& options, const eprom_wiring& wiring,
               compared_side& side, std::vector<std::string>& messages) {
    std::string bytes;
    if (!file.read(programming_size_limit, bytes, messages)) {
        return false;
    }
    side.care.fill(0xFF);
    side.fuses.reset();
    side.design = false;
    if (options.form == programming_form::automatic && bytes.size() == eprom_image_size && !holds_text_form(bytes)) {
        eprom_image_to_truth_table(bytes_of(bytes).first<eprom_image_size>(), wiring, side.table);
        return true;
    }
    const programming_form told = options.form == programming_form::automatic ? recognise_form(bytes) : options.form;
    if (told == programming_form::pla || told == programming_form::equations) {
        static design wanted;
        form_warnings warnings;
        if (const auto error = read_design(bytes, told, options.order, wanted, &warnings)) {
            messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
            return false;
        }
        add_warnings(file, warnings, messages);
        std::copy(wanted.table.begin(), wanted.table.end(), side.table.begin());
        std::copy(wanted.care.begin(), wanted.care.end(), side.care.begin());
        side.design = !cares_everywhere(wanted);
        if (pla_fuses fuses{}; !side.design && !read_programming(bytes, told, options.order, fuses)) {
            side.fuses = fuses;
        }
        return true;
    }
    pla_fuses fuses{};
    if (!parse_programming(file, bytes, {options.order, told}, fuses, messages)) {
        return false;
    }
    pla_truth_table(fuses, side.table);
    side.fuses = fuses;
    return true;
}

// Who cares where the comparison looked: none for two programmings.
std::string cared_by(const std::string& first_name, const compared_side& first, const std::string& second_name,
                     const compared_side& second) {
    if (first.design && second.design) {
        return "both designs care";
    }
    if (first.design || second.design) {
        return (first.design ? first_name : second_name) + " cares";
    }
    return {};
}

using table_span = std::span<const std::uint8_t, fit_table_size>;

// What fit reads a file as: `from`, or told from the content (a design padded to 64 KiB
// is still a design).
fit_input told_input(std::string_view bytes, fit_input from) {
    if (from != fit_input::automatic) {
        return from;
    }
    if (bytes.size() == fit_table_size && !holds_text_form(bytes)) {
        return fit_input::image;
    }
    const programming_form form = recognise_form(bytes);
    return form == programming_form::pla         ? fit_input::pla
           : form == programming_form::equations ? fit_input::equations
                                                 : fit_input::image;
}

// Reads `bytes`, the whole of `file`, into `wanted`: an image through the wiring (cared for
// everywhere), or a design; or adds the line that says why not.
bool read_fitted(const command_file& file, std::string_view bytes, fit_input from, jedec_pair_order order,
                 const eprom_wiring& wiring, design& wanted, std::vector<std::string>& messages) {
    from = told_input(bytes, from);
    if (from == fit_input::image) {
        if (const auto problem = fit_size_problem(bytes.size())) {
            messages.push_back(failure_line(file.name, *problem));
            return false;
        }
        wanted.table.resize(fit_table_size);
        wanted.care.assign(fit_table_size, 0xFF);
        wanted.placement.clear();
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> image{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                    eprom_image_size};
        eprom_image_to_truth_table(image, wiring,
                                   std::span<std::uint8_t, fit_table_size>{wanted.table.data(), fit_table_size});
        return true;
    }
    if (bytes.size() > programming_size_limit) {
        messages.push_back(failure_line(file.name, size_refusal(programming_size_limit)));
        return false;
    }
    const programming_form form = from == fit_input::pla ? programming_form::pla : programming_form::equations;
    form_warnings warnings;
    if (const auto error = read_design(bytes, form, order, wanted, &warnings)) {
        messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
        return false;
    }
    add_warnings(file, warnings, messages);
    return true;
}

} // namespace

std::string size_refusal(std::size_t limit) {
    return "larger than " + std::to_string(limit >> 10) + " KiB: refused";
}

std::string failure_line(std::string_view what, std::string_view reason) {
    std::string line{"plakit: "};
    line.append(what).append(": ").append(reason);
    return line;
}

command_file file_of_bytes(std::string name, std::string bytes) {
    command_file file{std::move(name), {}};
    file.read = [name = file.name, bytes = std::move(bytes)](std::size_t limit, std::string& read,
                                                             std::vector<std::string>& messages) {
        if (bytes.size() > limit) {
            messages.push_back(failure_line(name, size_refusal(limit)));
            return false;
        }
        read = bytes;
        return true;
    };
    return file;
}

command_wiring wiring_named(std::string_view name, command_file file) {
    if (name == "adapter") {
        return {eprom_wiring::adapter, std::move(file)};
    }
    if (name == "straight") {
        return {eprom_wiring::straight, std::move(file)};
    }
    return {std::nullopt, std::move(file)};
}

std::optional<target_form> target_form_named(std::string_view name) noexcept {
    const auto* found = std::find_if(target_names.begin(), target_names.end(),
                                     [name](const auto& target) { return target.first == name; });
    return found != target_names.end() ? std::optional{found->second} : std::nullopt;
}

std::string_view program_version() {
    return version_line;
}

command_result run_jedec(jedec_pair_order order) {
    return written(write_jedec(pla_fuse_map, order, version_line));
}

command_result run_image(const command_programming& programming, const programming_options& options,
                         const command_wiring& wiring) {
    command_result result;
    pla_fuses fuses{};
    eprom_wiring through{};
    if (!read_fuses(programming, options, fuses, result.messages) || !read_wiring(wiring, through, result.messages)) {
        result.status = status_failed;
        return result;
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, through);
    result.output = text_of(image);
    return result;
}

command_result run_equations(const command_programming& programming, const programming_options& options, bool table) {
    return run_convert(programming, options, table ? target_form::table : target_form::equations, hdl_default_name);
}

command_result run_convert(const command_programming& programming, const programming_options& options,
                           target_form target, std::string_view name) {
    command_result result;
    pla_fuses fuses{};
    if (!read_fuses(programming, options, fuses, result.messages)) {
        result.status = status_failed;
        return result;
    }
    result.output = [&] {
        switch (target) {
        case target_form::fuses:
            return write_fuse_file(fuses, options.order);
        case target_form::pla:
            return write_berkeley_pla(fuses);
        case target_form::equations:
            return equations_text(fuses);
        case target_form::table:
            return program_table_text(fuses);
        case target_form::verilog:
            return write_verilog(fuses, name);
        case target_form::vhdl:
            return write_vhdl(fuses, name);
        case target_form::jedec:
            break;
        }
        return write_jedec(fuses, options.order, version_line);
    }();
    return result;
}

std::optional<std::string> fit_effort_problem(const std::string& text) {
    char* end = nullptr;
    const double times = std::strtod(text.c_str(), &end);
    if (!text.empty() && *end == '\0' && times >= 0 && times <= 1000) {
        return std::nullopt;
    }
    return "not a number from 0 to 1000";
}

command_result run_fit(const command_file& image, jedec_pair_order order, const command_wiring& wiring, double effort,
                       fit_input from) {
    command_result result;
    result.status = status_failed;
    eprom_wiring through{};
    if (!read_wiring(wiring, through, result.messages)) {
        return result;
    }
    std::string bytes;
    // Read past the image's size, so that a long file's size is told as a short one's.
    if (!image.read(image_size_limit, bytes, result.messages)) {
        return result;
    }
    static design wanted;
    if (!read_fitted(image, bytes, from, order, through, wanted, result.messages)) {
        return result;
    }
    if (!wanted.placement.empty()) {
        result.messages.push_back(failure_line(image.name, wanted.placement));
    }
    const table_span table{wanted.table.data(), fit_table_size};
    const table_span care{wanted.care.data(), fit_table_size};
    const auto steps =
        static_cast<std::uint64_t>(std::clamp(effort, 0.0, 1000.0) * static_cast<double>(fit_default_effort));
    const fit_result found = fit_design(table, care, {pla_term_count, steps});
    if (!found.found) {
        result.messages.push_back(failure_line(image.name, fit_outcome_text(found)));
        return result;
    }
    const pla_fuses fuses = fit_fuses(found);
    // Written only when the array, programmed so, drives every input word as asked (where the design cares).
    if (const auto problem = fit_check_problem(fuses, table, care)) {
        result.messages.push_back(failure_line(image.name, *problem));
        return result;
    }
    result.status = status_done;
    result.output = write_jedec(fuses, order, version_line);
    result.messages.push_back(failure_line(image.name, fit_outcome_text(found)));
    return result;
}

command_result run_verify(const std::vector<command_file>& dumps, const command_programming& programming,
                          const programming_options& options, const command_wiring& wiring,
                          std::vector<std::uint8_t>* expected) {
    if (dumps.empty()) {
        return failed(status_trouble, {"plakit: no dump to verify"});
    }
    command_result result;
    result.status = status_trouble;
    pla_fuses fuses{};
    eprom_wiring through{};
    if (!read_fuses(programming, options, fuses, result.messages) || !read_wiring(wiring, through, result.messages)) {
        return result;
    }
    std::vector<std::string> reads(dumps.size());
    for (std::size_t read = 0; read < dumps.size(); ++read) {
        if (!dumps[read].read(dump_size_limit, reads[read], result.messages)) {
            return result;
        }
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    if (!programming && through == eprom_wiring::adapter) {
        build_eprom_image(image); // the built-in map's tables are derived at compile time
    } else {
        build_eprom_image(image, fuses, through);
    }
    if (expected != nullptr) {
        expected->assign(image.begin(), image.end());
    }
    if (reads.size() == 1) {
        const eprom_verification verification =
            verify_eprom_dump(image, bytes_of(reads.front()), mix_ups_of(options.order, through));
        return {eprom_exit_status(verification), render_eprom_verification(dumps.front().name, verification),
                std::move(result.messages)};
    }
    std::vector<std::span<const std::uint8_t>> spans;
    std::vector<std::string> names;
    for (std::size_t read = 0; read < reads.size(); ++read) {
        spans.push_back(bytes_of(reads[read]));
        names.push_back(dumps[read].name);
    }
    const eprom_reads_verification verification = verify_eprom_reads(image, spans, mix_ups_of(options.order, through));
    return {eprom_exit_status(verification), render_eprom_reads(names, verification), std::move(result.messages)};
}

command_result run_compare(const command_file& first, const command_file& second, const programming_options& options,
                           const command_wiring& wiring) {
    command_result result;
    result.status = status_trouble;
    eprom_wiring through{};
    if (!read_wiring(wiring, through, result.messages)) {
        return result;
    }
    static compared_side one;
    static compared_side other;
    if (!read_side(first, options, through, one, result.messages) ||
        !read_side(second, options, through, other, result.messages)) {
        return result;
    }
    programming_comparison comparison;
    if (one.design || other.design) {
        static std::array<std::uint8_t, pla_word_count> care;
        std::transform(one.care.begin(), one.care.end(), other.care.begin(), care.begin(),
                       [](std::uint8_t left, std::uint8_t right) { return static_cast<std::uint8_t>(left & right); });
        comparison = compare_where_cared(one.table, other.table, care);
    } else {
        comparison = compare_truth_tables(one.table, other.table);
    }
    return {same_logic(comparison) ? status_done : status_failed,
            comparison_text(first.name, second.name, comparison, one.fuses ? &*one.fuses : nullptr,
                            other.fuses ? &*other.fuses : nullptr, cared_by(first.name, one, second.name, other)),
            std::move(result.messages)};
}

command_result run_wiring(const command_wiring& wiring) {
    command_result result;
    eprom_wiring read{};
    if (!read_wiring(wiring, read, result.messages)) {
        result.status = status_failed;
        return result;
    }
    return written(write_wiring_text(read));
}
