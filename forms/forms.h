// Every form a programming travels in, read through one door: the form told from the
// bytes (or forced), the bytes turned into the fuse map, any fault returned with its place.
// No I/O and no command line here, so that every front end reads the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/form_error.h"
#include "jedec/jedec.h"
#include "pla/pla.h"

// `automatic`: told from the content, never from a file's name.
enum class programming_form : std::uint8_t { automatic, jedec, fuses, pla, equations, table };

// The form of `bytes`: a fuse file (245 bytes, or anything that starts with two zero
// bytes, which no text form does), JEDEC (an STX, or a QF field after a `*`), the program
// table (a `term` header), equations (an `F0 =` or `/F0 =` line, or `F0=`), Berkeley PLA (a
// `.i` line); JEDEC when nothing else fits.
programming_form recognise_form(std::string_view bytes) noexcept;

// The form named `name` (jedec, fuses, pla, equations, table), if it is one.
std::optional<programming_form> programming_form_named(std::string_view name) noexcept;
std::string_view programming_form_name(programming_form form) noexcept;

// Reads `bytes`, a whole file in `form` (recognised first when automatic), into `fuses`.
// Told from the content, an EPROM image (65,536 bytes of no text form) is refused as one;
// bytes of no form by the JEDEC reader's words when they hold a `*`, else as empty or as
// no form plakit reads.
// `order` is the pair order of the forms that number fuses (JEDEC and the fuse file);
// the others name inputs and need none. Returns the first fault found, and then leaves
// `fuses` unspecified. A file read adds to `warnings`, when given, what the reader could
// not vouch for (equations without their end line). Bounded by the size of `bytes`,
// which the caller limits (jedec_max_file_size).
std::optional<form_error> read_programming(std::string_view bytes, programming_form form, jedec_pair_order order,
                                           pla_fuses& fuses, form_warnings* warnings = nullptr);
