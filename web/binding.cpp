// The page's binding: plakit's commands (commands/) over the script's values, for
// web/page.html. Each function takes one request object, its fields named as plakit's
// arguments and options: `pairs` ("complement-first" or "true-first"), `form` ("automatic",
// told from the content, or one of jedec, fuses, pla, equations, table, as --from),
// `wiring` ("adapter", "straight" or a wiring file) and files, each {name, bytes}: the
// file's name, as messages give it, and its bytes (a Uint8Array); a programming of null is
// the built-in one. Every answer is an object: {ok: true, ...} with the bytes and texts
// plakit writes, and `messages`, the lines it prints on stderr all the same (a warning about
// a file read, as `plakit: FILE: warning: ...`; empty when none), or {ok: false, message}
// with the lines plakit prints on stderr.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "forms/hdl.h"

namespace {

using emscripten::val;

command_file file_of(const val& source) {
    return file_of_bytes(source["name"].as<std::string>(), source["bytes"].as<std::string>());
}

command_programming programming_of(const val& request) {
    const val source = request["programming"];
    return source.isNull() || source.isUndefined() ? command_programming{} : command_programming{file_of(source)};
}

programming_options options_of(const val& request) {
    const val form = request["form"];
    return {request["pairs"].as<std::string>() == "true-first" ? jedec_pair_order::true_first
                                                               : jedec_pair_order::complement_first,
            form.isString() ? programming_form_named(form.as<std::string>()).value_or(programming_form::automatic)
                            : programming_form::automatic};
}

// A named wiring, or a wiring file (a file named "adapter" is a file too).
command_wiring wiring_of(const val& request) {
    const val given = request["wiring"];
    if (given.isString()) {
        return wiring_named(given.as<std::string>(), file_of_bytes("", ""));
    }
    return {std::nullopt, file_of(given)};
}

val byte_array(std::span<const std::uint8_t> bytes) {
    // A copy: the view into the module's memory lives only until the next allocation.
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(bytes.size(), bytes.data()));
}

val byte_array(const std::string& bytes) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the bytes, as they are
    return byte_array({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// The lines for stderr, each but the last ended, as plakit prints them.
std::string lines_of(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) {
        text += (text.empty() ? "" : "\n") + message;
    }
    return text;
}

// The answer for a command that wrote nothing: its lines for stderr (a warning about a file
// read, a design's placement line before fit's reason).
val failure(const command_result& result) {
    val answer = val::object();
    answer.set("ok", false);
    answer.set("message", result.messages.empty() ? std::string{"plakit: failed"} : lines_of(result.messages));
    return answer;
}

// The answer for a command that wrote its output, with the lines it prints all the same.
val success(const command_result& result) {
    val answer = val::object();
    answer.set("ok", true);
    answer.set("messages", lines_of(result.messages));
    return answer;
}

// {programming, form, pairs, wiring}: its image (plakit image), the programming in every
// form plakit convert writes, its equations and program table (plakit equations, --table).
val programming(const val& request) {
    const command_programming read = programming_of(request);
    const programming_options options = options_of(request);
    const command_result image = run_image(read, options, wiring_of(request));
    if (!image.output) {
        return failure(image);
    }
    val answer = success(image); // the forms written read the same file: the same lines
    answer.set("image", byte_array(*image.output));
    for (const char* form : {"jedec", "fuses", "pla", "verilog", "vhdl", "equations", "table"}) {
        const command_result written =
            run_convert(read, options, target_form_named(form).value_or(target_form::jedec), hdl_default_name);
        if (!written.output) {
            return failure(written);
        }
        if (std::string_view{form} == "fuses") {
            answer.set(form, byte_array(*written.output));
        } else {
            answer.set(form, *written.output);
        }
    }
    return answer;
}

// {dumps: [{name, bytes}, ...] (or dump: {name, bytes}), programming, form, pairs, wiring}: the dump held against
// the programming's image: the text plakit verify prints, its headline (the verdict, its
// first line), its exit status and the image the dump should equal.
val verify(const val& request) {
    std::vector<command_file> dumps;
    if (const val given = request["dumps"]; given.isArray()) {
        const auto count = given["length"].as<unsigned>();
        for (unsigned index = 0; index < count; ++index) {
            dumps.push_back(file_of(given[index]));
        }
    } else if (const val one = request["dump"]; !one.isNull() && !one.isUndefined()) {
        dumps.push_back(file_of(one)); // the form of a single read the page used before
    }
    std::vector<std::uint8_t> expected;
    const command_result result =
        run_verify(dumps, programming_of(request), options_of(request), wiring_of(request), &expected);
    if (!result.output) {
        return failure(result);
    }
    val answer = success(result);
    answer.set("text", *result.output);
    answer.set("headline", result.headline);
    answer.set("status", result.status);
    answer.set("expected", byte_array(expected));
    return answer;
}

// {image, pairs, wiring}: the image or truth table, or the design, fitted: the JEDEC file
// plakit fit writes, the lines it prints on stderr as `line` (a warning about the design,
// its placement, then how the programming was found), and the program table of the
// programming found.
val fit(const val& request) {
    std::string table;
    const command_result result = run_fit(file_of(request["image"]), options_of(request).order, wiring_of(request), 1,
                                          fit_input::automatic, &table);
    if (!result.output) {
        return failure(result);
    }
    val answer = success(result);
    answer.set("jedec", *result.output);
    answer.set("line", lines_of(result.messages));
    answer.set("table", table);
    return answer;
}

// {a, b, form, pairs, wiring}: two programmings (any form) or images compared: the text
// plakit compare prints, its headline (its first line) and its exit status (0 the same
// logic, 1 not).
val compare(const val& request) {
    const command_result result =
        run_compare(file_of(request["a"]), file_of(request["b"]), options_of(request), wiring_of(request));
    if (!result.output) {
        return failure(result);
    }
    val answer = success(result);
    answer.set("text", *result.output);
    answer.set("headline", result.headline);
    answer.set("status", result.status);
    return answer;
}

// {wiring}: the wiring as plakit wiring prints it, or the line it prints for a bad file.
val wiring(const val& request) {
    const command_result result = run_wiring(wiring_of(request));
    if (!result.output) {
        return failure(result);
    }
    val answer = success(result);
    answer.set("text", *result.output);
    return answer;
}

// {programming, form, pairs, wiring, board, ce}: the programming as two GAL22V10s, as plakit
// gal writes it: `board` "built-in", "auto" or a board file {name, bytes}; `ce` "tied" for a
// board that ties /CE active. The files written, `files` [{name, text}] (82S100_GAL-1.jed,
// 82S100_GAL-2.jed, 82S100_GAL-board.txt), and the lines plakit prints on stderr as `line`.
val gal(const val& request) {
    gal_options options;
    options.programming = options_of(request);
    options.wiring = wiring_of(request);
    if (const val board = request["board"]; board.isString()) {
        options.board = board.as<std::string>() == "auto" ? gal_board_kind::automatic : gal_board_kind::built_in;
    } else {
        options.board = gal_board_kind::file;
        options.board_file = file_of(board);
    }
    options.ce_tied = request["ce"].isString() && request["ce"].as<std::string>() == "tied";
    const gal_result result = run_gal(programming_of(request), options);
    if (result.status != status_done) {
        return failure({result.status, std::nullopt, result.messages, {}});
    }
    val files = val::array();
    for (const auto& [name, text] : result.files) {
        val file = val::object();
        file.set("name", name);
        file.set("text", text);
        files.call<void>("push", file);
    }
    val answer = val::object();
    answer.set("ok", true);
    answer.set("files", files);
    answer.set("line", lines_of(result.messages));
    return answer;
}

// The largest file, in bytes, that each box reads: the page refuses a larger one unread.
val limits() {
    val answer = val::object();
    answer.set("programming", static_cast<double>(programming_size_limit));
    answer.set("dump", static_cast<double>(dump_size_limit));
    answer.set("image", static_cast<double>(image_size_limit));
    answer.set("wiring", static_cast<double>(wiring_size_limit));
    return answer;
}

} // namespace

EMSCRIPTEN_BINDINGS(plakit) {
    emscripten::function("programming", &programming);
    emscripten::function("verify", &verify);
    emscripten::function("fit", &fit);
    emscripten::function("compare", &compare);
    emscripten::function("wiring", &wiring);
    emscripten::function("gal", &gal);
    emscripten::function("limits", &limits);
}
