// The page's binding: the project's libraries over bytes and options, for the script of
// web/page.html. Each function takes one request object, its fields named as plakit's
// arguments and options: `pairs` ("complement-first" or "true-first"), `wiring` ("adapter"
// or "straight") and files, each {name, bytes}: the file's name, as messages give it, and
// its bytes (a Uint8Array); a programming of null is the built-in one. Every answer is an
// object: {ok: true, ...} with the bytes and texts plakit writes, or {ok: false, message}
// with the one line plakit prints on stderr.
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
#include "forms/equations.h"
#include "jedec/jedec.h"
#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"

namespace {

using emscripten::val;

// The program that plakit's JEDEC files name in their header: the same bytes as its.
constexpr std::string_view program_name = "plakit " PLAKIT_VERSION;

// The largest dump plakit verify reads.
constexpr std::size_t dump_size_limit = std::size_t{16} << 20;

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

eprom_wiring wiring_of(const val& request) {
    return request["wiring"].as<std::string>() == "straight" ? eprom_wiring::straight : eprom_wiring::adapter;
}

// plakit's refusal of a file larger than it reads.
std::optional<std::string> refusal(const source_file& file, std::size_t limit) {
    if (file.bytes.size() <= limit) {
        return std::nullopt;
    }
    return "larger than " + std::to_string(limit >> 10) + " KiB: refused";
}

// The one reader of a programming given to the page, as plakit's read_fuses: today a
// JEDEC file; a reader of more forms takes the place of read_jedec here alone. Fills
// `fuses`, or returns the failure answer.
std::optional<val> read_programming(const val& source, jedec_pair_order order, pla_fuses& fuses) {
    if (source.isNull() || source.isUndefined()) {
        fuses = pla_fuse_map;
        return std::nullopt;
    }
    const source_file file = read_source(source);
    if (const auto reason = refusal(file, jedec_max_file_size)) {
        return failure(file.name, *reason);
    }
    const auto error = read_jedec(file.bytes, order, fuses);
    if (!error) {
        return std::nullopt;
    }
    std::string where = file.name;
    if (error->line != 0) {
        where += ":" + std::to_string(error->line) + ":" + std::to_string(error->column);
    }
    return failure(where, error->message);
}

// {programming, pairs, wiring}: its image (plakit image), its JEDEC file (plakit jedec
// for the built-in one), its equations and program table (plakit equations, --table).
val programming(const val& request) {
    const jedec_pair_order order = pair_order_of(request);
    pla_fuses fuses{};
    if (auto failed = read_programming(request["programming"], order, fuses)) {
        return *failed;
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, wiring_of(request));
    val answer = success();
    answer.set("image", byte_array(image));
    answer.set("jedec", write_jedec(fuses, order, program_name));
    answer.set("equations", equations_text(fuses));
    answer.set("table", program_table_text(fuses));
    return answer;
}

// {dump, programming, pairs, wiring}: the dump held against the programming's image: the
// text plakit verify prints, its exit status and the image the dump should equal.
val verify(const val& request) {
    pla_fuses fuses{};
    if (auto failed = read_programming(request["programming"], pair_order_of(request), fuses)) {
        return *failed;
    }
    const source_file dump = read_source(request["dump"]);
    if (const auto reason = refusal(dump, dump_size_limit)) {
        return failure(dump.name, *reason);
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, wiring_of(request));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
    const std::span bytes{reinterpret_cast<const std::uint8_t*>(dump.bytes.data()), dump.bytes.size()};
    const eprom_verification result = verify_eprom_dump(image, bytes);
    val answer = success();
    answer.set("text", render_eprom_verification(dump.name, result));
    answer.set("status", eprom_exit_status(result));
    answer.set("expected", byte_array(image));
    return answer;
}

// H (active high) or L (inverted) for each output, F0 first, as plakit fit reports them.
std::string polarity_letters(std::uint8_t inverted) {
    std::string letters;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        letters += ((inverted >> output) & 1U) != 0 ? 'L' : 'H';
    }
    return letters;
}

// The first input word for which the array programmed with `fuses` does not drive
// table[word], or none.
std::optional<std::size_t> first_difference(const pla_fuses& fuses,
                                            std::span<const std::uint8_t, fit_table_size> table) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        if (evaluate_with(evaluator, static_cast<std::uint16_t>(word)) != table[word]) {
            return word;
        }
    }
    return std::nullopt;
}

// {image, pairs, wiring}: the image or truth table fitted: the JEDEC file plakit fit
// writes, the line it prints on stderr, and the program table of the programming found.
val fit(const val& request) {
    const source_file file = read_source(request["image"]);
    if (const auto reason = refusal(file, eprom_image_size)) {
        return failure(file.name, *reason);
    }
    if (file.bytes.size() != eprom_image_size) {
        return failure(file.name, std::to_string(file.bytes.size()) + " bytes, not 65536: not an EPROM image");
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    static std::array<std::uint8_t, fit_table_size> table;
    std::copy(file.bytes.begin(), file.bytes.end(), image.begin());
    eprom_image_to_truth_table(image, wiring_of(request), table);
    const fit_result result = fit_truth_table(table);
    if (!result.found) {
        std::string reason =
            "no programming of at most 48 terms: the fewest reached is " + std::to_string(result.terms.size());
        if (result.lower_bound != 0) {
            reason += ", and at least " + std::to_string(result.lower_bound) + " are needed";
        }
        return failure(file.name, reason);
    }
    const pla_fuses fuses = fit_fuses(result);
    if (const auto word = first_difference(fuses, table)) {
        std::array<char, 8> hex{};
        (void)std::snprintf(hex.data(), hex.size(), "0x%04zX", *word);
        return failure(file.name, std::string{"the programming found differs at input word "} + hex.data() +
                                      " (a fault of plakit's): not written");
    }
    val answer = success();
    answer.set("jedec", write_jedec(fuses, pair_order_of(request), program_name));
    answer.set("line", "plakit: " + file.name + ": " + std::to_string(result.terms.size()) + " terms, polarity " +
                           polarity_letters(result.inverted_outputs));
    answer.set("table", program_table_text(fuses));
    return answer;
}

} // namespace

EMSCRIPTEN_BINDINGS(plakit) {
    emscripten::function("programming", &programming);
    emscripten::function("verify", &verify);
    emscripten::function("fit", &fit);
}
