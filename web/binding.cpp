// The page's binding: the project's libraries over bytes and options, for the script of
// web/page.html. Each function takes one request object, its fields named as plakit's
// arguments and options: `pairs` ("complement-first" or "true-first"), `form` ("automatic",
// told from the content, or one of jedec, fuses, pla, equations, table, as --from),
// `wiring` ("adapter", "straight" or a wiring file) and files, each {name, bytes}: the
// file's name, as messages give it, and its bytes (a Uint8Array); a programming of null is
// the built-in one. Every answer is an object: {ok: true, ...} with the bytes and texts
// plakit writes, or {ok: false, message} with the one line plakit prints on stderr.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "diagnosis/diagnosis.h"
#include "eprom/image.h"
#include "forms/berkeley.h"
#include "forms/compare.h"
#include "forms/equations.h"
#include "forms/forms.h"
#include "forms/fuse_file.h"
#include "forms/hdl.h"
#include "jedec/jedec.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "pla/pla.h"
#include "wiring/wiring_text.h"

namespace {

using emscripten::val;

// The program that plakit's JEDEC files name in their header: the same bytes as its.
constexpr std::string_view program_name = "plakit " PLAKIT_VERSION;

// The largest dump plakit verify reads, and the largest file plakit fit tells the size of.
constexpr std::size_t dump_size_limit = std::size_t{16} << 20;
constexpr std::size_t fit_size_limit = std::size_t{16} << 20;
// The largest wiring file plakit reads.
constexpr std::size_t wiring_file_limit = std::size_t{64} << 10;

struct source_file {
    std::string name;
    std::string bytes;
};

source_file read_source(const val& source) {
    return {source["name"].as<std::string>(), source["bytes"].as<std::string>()};
}

val failure(const std::string& what, const std::string& reason) {
    val answer = val::object();
    answer.set("ok", false);
    answer.set("message", "plakit: " + what + ": " + reason);
    return answer;
}

val success() {
    val answer = val::object();
    answer.set("ok", true);
    return answer;
}

val byte_array(std::span<const std::uint8_t> bytes) {
    // A copy: the view into the module's memory lives only until the next allocation.
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

jedec_pair_order pair_order_of(const val& request) {
    return request["pairs"].as<std::string>() == "true-first" ? jedec_pair_order::true_first
                                                              : jedec_pair_order::complement_first;
}

programming_form form_of(const val& request) {
    const val form = request["form"];
    return form.isString() ? programming_form_named(form.as<std::string>()).value_or(programming_form::automatic)
                           : programming_form::automatic;
}

// plakit's refusal of a file larger than it reads.
std::optional<std::string> refusal(const source_file& file, std::size_t limit) {
    if (file.bytes.size() <= limit) {
        return std::nullopt;
    }
    return "larger than " + std::to_string(limit >> 10) + " KiB: refused";
}

// The wiring the request names, or a wiring file read as plakit's read_wiring reads it.
// Fills `wiring`, or returns the failure answer.
std::optional<val> read_wiring(const val& request, eprom_wiring& wiring) {
    const val given = request["wiring"];
    if (given.isString()) {
        wiring = given.as<std::string>() == "straight" ? eprom_wiring::straight : eprom_wiring::adapter;
        return std::nullopt;
    }
    const source_file file = read_source(given);
    if (const auto reason = refusal(file, wiring_file_limit)) {
        return failure(file.name, *reason);
    }
    const auto error = read_wiring_text(file.bytes, wiring);
    if (!error) {
        return std::nullopt;
    }
    return failure(file.name + ":" + std::to_string(error->line) + ":" + std::to_string(error->column), error->message);
}

// The bytes of `file` read as a programming in `form`, as plakit's read_fuses_from.
std::optional<val> read_programming_bytes(const source_file& file, programming_form form, jedec_pair_order order,
                                          pla_fuses& fuses) {
    const auto error = read_programming(file.bytes, form, order, fuses);
    if (!error) {
        return std::nullopt;
    }
    return failure(file.name + form_error_place(*error), error->message);
}

// The one reader of a programming given to the page, as plakit's read_fuses: any form,
// told from the content or forced. Fills `fuses`, or returns the failure answer.
std::optional<val> read_programming(const val& request, pla_fuses& fuses) {
    const val source = request["programming"];
    if (source.isNull() || source.isUndefined()) {
        fuses = pla_fuse_map;
        return std::nullopt;
    }
    const source_file file = read_source(source);
    if (const auto reason = refusal(file, jedec_max_file_size)) {
        return failure(file.name, *reason);
    }
    return read_programming_bytes(file, form_of(request), pair_order_of(request), fuses);
}

// {programming, form, pairs, wiring}: its image (plakit image), the programming in every
// form plakit convert writes, its equations and program table (plakit equations, --table).
val programming(const val& request) {
    const jedec_pair_order order = pair_order_of(request);
    pla_fuses fuses{};
    eprom_wiring wiring{};
    if (auto failed = read_programming(request, fuses)) {
        return *failed;
    }
    if (auto failed = read_wiring(request, wiring)) {
        return *failed;
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, wiring);
    val answer = success();
    answer.set("image", byte_array(image));
    answer.set("jedec", write_jedec(fuses, order, program_name));
    const std::string fuse_file = write_fuse_file(fuses, order);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
    answer.set("fuses", byte_array({reinterpret_cast<const std::uint8_t*>(fuse_file.data()), fuse_file.size()}));
    answer.set("pla", write_berkeley_pla(fuses));
    answer.set("verilog", write_verilog(fuses, hdl_default_name));
    answer.set("vhdl", write_vhdl(fuses, hdl_default_name));
    answer.set("equations", equations_text(fuses));
    answer.set("table", program_table_text(fuses));
    return answer;
}

// {dump, programming, form, pairs, wiring}: the dump held against the programming's image:
// the text plakit verify prints, its exit status and the image the dump should equal.
val verify(const val& request) {
    pla_fuses fuses{};
    eprom_wiring wiring{};
    if (auto failed = read_programming(request, fuses)) {
        return *failed;
    }
    if (auto failed = read_wiring(request, wiring)) {
        return *failed;
    }
    const source_file dump = read_source(request["dump"]);
    if (const auto reason = refusal(dump, dump_size_limit)) {
        return failure(dump.name, *reason);
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, wiring);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
    const std::span bytes{reinterpret_cast<const std::uint8_t*>(dump.bytes.data()), dump.bytes.size()};
    const eprom_verification result = verify_eprom_dump(image, bytes);
    val answer = success();
    answer.set("text", render_eprom_verification(dump.name, result));
    answer.set("status", eprom_exit_status(result));
    answer.set("expected", byte_array(image));
    return answer;
}

// {image, pairs, wiring}: the image or truth table fitted: the JEDEC file plakit fit
// writes, the line it prints on stderr, and the program table of the programming found.
val fit(const val& request) {
    eprom_wiring wiring{};
    if (auto failed = read_wiring(request, wiring)) {
        return *failed;
    }
    const source_file file = read_source(request["image"]);
    if (const auto reason = refusal(file, fit_size_limit)) {
        return failure(file.name, *reason);
    }
    if (const auto problem = fit_size_problem(file.bytes.size())) {
        return failure(file.name, *problem);
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    static std::array<std::uint8_t, fit_table_size> table;
    std::copy(file.bytes.begin(), file.bytes.end(), image.begin());
    eprom_image_to_truth_table(image, wiring, table);
    const fit_result result = fit_truth_table(table);
    if (!result.found) {
        return failure(file.name, fit_outcome_text(result));
    }
    const pla_fuses fuses = fit_fuses(result);
    if (const auto problem = fit_check_problem(fuses, table)) {
        return failure(file.name, *problem);
    }
    val answer = success();
    answer.set("jedec", write_jedec(fuses, pair_order_of(request), program_name));
    answer.set("line", "plakit: " + file.name + ": " + fit_outcome_text(result));
    answer.set("table", program_table_text(fuses));
    return answer;
}

// One side of a comparison: its truth table, and its fuse map when it is a programming.
struct compared_side {
    std::array<std::uint8_t, pla_word_count> table{};
    std::optional<pla_fuses> fuses;
};

// As plakit compare reads a side: an image when the form is told from the content and the
// file is an image's size, else a programming.
std::optional<val> read_side(const val& source, const val& request, const eprom_wiring& wiring, compared_side& side) {
    const source_file file = read_source(source);
    if (const auto reason = refusal(file, jedec_max_file_size)) {
        return failure(file.name, *reason);
    }
    const programming_form form = form_of(request);
    if (form == programming_form::automatic && file.bytes.size() == eprom_image_size) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> image{
            reinterpret_cast<const std::uint8_t*>(file.bytes.data()), eprom_image_size};
        eprom_image_to_truth_table(image, wiring, side.table);
        side.fuses.reset();
        return std::nullopt;
    }
    pla_fuses fuses{};
    if (auto failed = read_programming_bytes(file, form, pair_order_of(request), fuses)) {
        return failed;
    }
    pla_truth_table(fuses, side.table);
    side.fuses = fuses;
    return std::nullopt;
}

// {a, b, form, pairs, wiring}: two programmings (any form) or images compared: the text
// plakit compare prints and its exit status (0 the same logic, 1 not).
val compare(const val& request) {
    eprom_wiring wiring{};
    if (auto failed = read_wiring(request, wiring)) {
        return *failed;
    }
    static compared_side first;
    static compared_side second;
    if (auto failed = read_side(request["a"], request, wiring, first)) {
        return *failed;
    }
    if (auto failed = read_side(request["b"], request, wiring, second)) {
        return *failed;
    }
    const programming_comparison comparison = compare_truth_tables(first.table, second.table);
    val answer = success();
    answer.set("text", comparison_text(request["a"]["name"].as<std::string>(), request["b"]["name"].as<std::string>(),
                                       comparison, first.fuses ? &*first.fuses : nullptr,
                                       second.fuses ? &*second.fuses : nullptr));
    answer.set("status", same_logic(comparison) ? 0 : 1);
    return answer;
}

// {wiring}: the wiring as plakit wiring prints it, or the line it prints for a bad file.
val wiring(const val& request) {
    eprom_wiring read{};
    if (auto failed = read_wiring(request, read)) {
        return *failed;
    }
    val answer = success();
    answer.set("text", write_wiring_text(read));
    return answer;
}

} // namespace

EMSCRIPTEN_BINDINGS(plakit) {
    emscripten::function("programming", &programming);
    emscripten::function("verify", &verify);
    emscripten::function("fit", &fit);
    emscripten::function("compare", &compare);
    emscripten::function("wiring", &wiring);
}
