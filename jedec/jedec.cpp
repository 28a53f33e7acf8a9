#include "jedec/jedec.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "text/text_lines.h"

namespace {

constexpr char stx = '\x02';
constexpr char etx = '\x03';
constexpr std::size_t fuse_count_field = 1928;
static_assert(fuse_count_field == pla_fuse_count);

constexpr bool is_blank(char byte) noexcept {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\f' || byte == '\v';
}

// What may follow the last field of a file without STX and ETX: line ends, and the padding
// and end-of-file marks that some programs add.
constexpr bool is_trailer(char byte) noexcept {
    return is_blank(byte) || byte == '\0' || byte == '\x1A';
}

constexpr bool is_letter(char byte) noexcept {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

constexpr int hex_value(char byte) noexcept {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10;
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10;
    }
    return -1;
}

// Four hex digits and nothing else, or nothing.
std::optional<std::uint16_t> parse_hex4(std::string_view digits) noexcept {
    if (digits.size() != 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char digit : digits) {
        const int nibble = hex_value(digit);
        if (nibble < 0) {
            return std::nullopt;
        }
        value = value << 4U | static_cast<unsigned>(nibble);
    }
    return static_cast<std::uint16_t>(value);
}

std::string hex4(unsigned value) {
    std::array<char, 8> text{};
    (void)std::snprintf(text.data(), text.size(), "%04X", value & 0xFFFFU); // cannot be cut short
    return text.data();
}

// A byte as the user would type it in a message.
std::string shown(char byte) {
    if (byte > ' ' && byte < '\x7F') {
        return std::string{'\''} + byte + '\'';
    }
    std::array<char, 8> text{};
    (void)std::snprintf(text.data(), text.size(), "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
    return std::string{"byte "} + text.data();
}

// True when all of `text` is trailer: the end of the file.
constexpr bool is_all_trailer(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), is_trailer);
}

// A decimal number, leading zeros allowed, or nothing.
std::optional<std::size_t> parse_decimal(std::string_view digits) noexcept {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9' || value > jedec_max_file_size) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::size_t>(digit - '0');
    }
    return value;
}

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Unset fuses hold this until an L field or the F field gives them a state.
constexpr std::uint8_t unset = 2;

class reader {
public:
    explicit reader(std::string_view text) noexcept : text_(text) {
        file_fuses_.fill(unset);
    }

    std::optional<jedec_error> read(jedec_pair_order order, pla_fuses& fuses);

private:
    // The fault at byte `offset` of the file.
    [[nodiscard]] jedec_error fault_at(std::size_t offset, std::string message) const;
    // "line L, column C" of byte `offset`, for a message that names a second place.
    [[nodiscard]] std::string place_of(std::size_t offset) const;
    static jedec_error fault(std::string message) {
        return {0, 0, std::move(message)};
    }

    // Where STX is, before any ETX, or npos.
    [[nodiscard]] std::size_t find_stx() const noexcept;
    // Where the next field (or ETX) starts from `position` on, or the file's size at its end.
    [[nodiscard]] std::size_t next_field(std::size_t position, bool has_stx) const noexcept;
    std::optional<jedec_error> read_field(std::size_t start, std::size_t end);
    std::optional<jedec_error> read_fuse_list(std::size_t start, std::size_t end);
    std::optional<jedec_error> read_trailer(std::size_t etx_at, std::size_t transmission_start);
    std::optional<jedec_error> complete(pla_fuses& fuses, jedec_pair_order order) const;

    std::string_view text_;
    std::string_view header_;
    pla_fuses file_fuses_{}; // in the file's numbering, `unset` where no field gave a state
    std::optional<std::uint8_t> default_state_;
    std::size_t default_state_at_ = 0;
    bool fuse_count_given_ = false;
    std::optional<std::uint16_t> fuse_checksum_;
    std::size_t fuse_checksum_at_ = 0;
};

jedec_error reader::fault_at(std::size_t offset, std::string message) const {
    // A line ends in LF, CR LF, or CR alone (as old Macintosh files have it).
    std::size_t line = 1;
    std::size_t line_start = 0;
    for (std::size_t position = 0; position < offset; ++position) {
        const char byte = text_[position];
        if (byte == '\n' || (byte == '\r' && (position + 1 == text_.size() || text_[position + 1] != '\n'))) {
            ++line;
            line_start = position + 1;
        }
    }
    return {line, offset - line_start + 1, std::move(message)};
}

std::string reader::place_of(std::size_t offset) const {
    const jedec_error place = fault_at(offset, {});
    return "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
}

std::size_t reader::find_stx() const noexcept {
    const std::size_t stx_at = text_.find(stx);
    if (stx_at != std::string_view::npos && text_.substr(0, stx_at).find(etx) != std::string_view::npos) {
        return std::string_view::npos; // after ETX: the trailer check tells what is wrong
    }
    return stx_at;
}

std::size_t reader::next_field(std::size_t position, bool has_stx) const noexcept {
    while (position < text_.size() && is_blank(text_[position])) {
        ++position;
    }
    // Without STX and ETX, an end-of-file mark or padding ends the file as well.
    if (!has_stx && position < text_.size() && (text_[position] == '\0' || text_[position] == '\x1A') &&
        is_all_trailer(text_.substr(position))) {
        return text_.size();
    }
    return position;
}

std::optional<jedec_error> reader::read(jedec_pair_order order, pla_fuses& fuses) {
    if (text_.size() > jedec_max_file_size) {
        return fault("larger than 1 MiB: not a fuse file of this array");
    }
    // Whatever comes before STX is not the file's; after it, the header (the design's
    // description) is free text up to the first '*'.
    const std::size_t stx_at = find_stx();
    const std::size_t header_start = stx_at == std::string_view::npos ? 0 : stx_at + 1;
    const std::size_t header_end = text_.find_first_of(std::string_view{"*\x03", 2}, header_start);
    if (header_end == std::string_view::npos || text_[header_end] != '*') {
        return fault("no '*' ends the header: not a JEDEC fuse file");
    }
    header_ = text_.substr(header_start, header_end - header_start);
    std::size_t position = header_end + 1;
    while (true) {
        position = next_field(position, stx_at != std::string_view::npos);
        if (position == text_.size()) {
            if (stx_at != std::string_view::npos) {
                return fault("STX opens the data but no ETX closes it: the file is cut short");
            }
            break;
        }
        if (text_[position] == '*') { // an empty field
            ++position;
            continue;
        }
        if (text_[position] == etx) {
            if (auto error = read_trailer(position, stx_at == std::string_view::npos ? 0 : stx_at)) {
                return error;
            }
            break;
        }
        const std::size_t field_end = text_.find_first_of(std::string_view{"*\x03", 2}, position + 1);
        if (field_end == std::string_view::npos || text_[field_end] != '*') {
            return fault_at(position, "the field that starts with " + shown(text_[position]) + " has no '*' to end it");
        }
        if (auto error = read_field(position, field_end)) {
            return error;
        }
        position = field_end + 1;
    }
    return complete(fuses, order);
}

std::optional<jedec_error> reader::read_field(std::size_t start, std::size_t end) {
    const char letter = text_[start];
    const std::string_view body = text_.substr(start + 1, end - start - 1);
    switch (letter) {
    case 'Q':
        if (!body.empty() && body.front() == 'F') {
            if (parse_decimal(trimmed(body.substr(1))) != fuse_count_field) {
                return fault_at(start,
                                "QF" + escaped_text(trimmed(body.substr(1))) + ": the 82S100 has 1928 fuses (QF1928)");
            }
            fuse_count_given_ = true;
        }
        return std::nullopt; // QP (pins), QV (vectors) and the rest are not checked
    case 'F': {
        const std::string_view state = trimmed(body);
        if (state != "0" && state != "1") {
            return fault_at(start, "the F field gives the state of unlisted fuses: F0 or F1");
        }
        const auto given = static_cast<std::uint8_t>(state == "1" ? 1 : 0);
        if (default_state_ && *default_state_ != given) {
            return fault_at(start, "F" + std::string{state} + " here, but F" + std::to_string(*default_state_) +
                                       " at " + place_of(default_state_at_) +
                                       ": the F field gives the state of unlisted fuses once");
        }
        default_state_ = given;
        default_state_at_ = start;
        return std::nullopt;
    }
    case 'L':
        return read_fuse_list(start, end);
    case 'C': {
        const auto value = parse_hex4(trimmed(body));
        if (!value) {
            return fault_at(start, "the C field holds the fuse checksum: four hex digits");
        }
        if (fuse_checksum_ && *fuse_checksum_ != *value) {
            return fault_at(start, "fuse checksum " + hex4(*value) + " here, but " + hex4(*fuse_checksum_) + " at " +
                                       place_of(fuse_checksum_at_) + ": one C field gives it");
        }
        fuse_checksum_ = value;
        fuse_checksum_at_ = start;
        return std::nullopt;
    }
    case 'K':
        return fault_at(start, "K fields (fuse states in hexadecimal) are not supported: write the fuses in L fields");
    case 'l':
    case 'f':
    case 'c':
    case 'q':
    case 'k':
        return fault_at(start, shown(letter) + " starts no field: field letters are upper case ('" +
                                   static_cast<char>(letter - 'a' + 'A') + "')");
    default:
        if (!is_letter(letter)) {
            return fault_at(start, shown(letter) + " does not start a field: a field is a letter, its content and '*'");
        }
        return std::nullopt; // notes, security fuse, vectors and the rest: read to their '*'
    }
}

// The L field from `start`, its letter, to `end`, its '*'.
std::optional<jedec_error> reader::read_fuse_list(std::size_t start, std::size_t end) {
    std::size_t position = start + 1;
    std::size_t fuse = 0;
    bool has_number = false;
    for (; position < end && text_[position] >= '0' && text_[position] <= '9'; ++position) {
        fuse = fuse * 10 + static_cast<std::size_t>(text_[position] - '0');
        has_number = true;
        if (fuse >= pla_fuse_count) {
            return fault_at(start, "L field from a fuse past the last one, 1927");
        }
    }
    if (!has_number) {
        return fault_at(start, "the L field has no fuse number");
    }
    if (position < end && !is_blank(text_[position])) {
        return fault_at(position, shown(text_[position]) + " in the L field's fuse number");
    }
    bool has_state = false;
    for (; position < end; ++position) {
        const char digit = text_[position];
        if (is_blank(digit)) {
            continue;
        }
        if (digit != '0' && digit != '1') {
            return fault_at(position, shown(digit) + " is not a fuse state (0 or 1)");
        }
        if (fuse >= pla_fuse_count) {
            return fault_at(position, "fuse states past the last fuse, 1927");
        }
        const auto state = static_cast<std::uint8_t>(digit - '0');
        if (file_fuses_[fuse] != unset && file_fuses_[fuse] != state) {
            return fault_at(position, "fuse " + std::to_string(fuse) + " is set twice, to different states");
        }
        file_fuses_[fuse++] = state;
        has_state = true;
    }
    if (!has_state) {
        return fault_at(start, "the L field lists no fuse states");
    }
    return std::nullopt;
}

std::optional<jedec_error> reader::read_trailer(std::size_t etx_at, std::size_t transmission_start) {
    // Whatever follows ETX is outside the transmission: its checksum, four hex digits, if it
    // was computed, then anything (a programmer's notes). Fewer or more digits may be a
    // checksum cut short or run on, so they are refused.
    std::size_t digits = 0;
    while (etx_at + 1 + digits < text_.size() && digits <= 4 && hex_value(text_[etx_at + 1 + digits]) >= 0) {
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (digits != 4) {
        return fault_at(etx_at + 1, digits < 4 ? std::to_string(digits) + (digits == 1 ? " hex digit" : " hex digits") +
                                                     " after ETX, where the transmission checksum has four: write all "
                                                     "four (0000: not computed), or put a line end after ETX"
                                               : "more than four hex digits after ETX, where the transmission "
                                                 "checksum has four: put what follows on a line of its own");
    }
    const auto given = parse_hex4(text_.substr(etx_at + 1, 4));
    if (given && *given != 0) { // 0000: not computed
        const std::uint16_t sum =
            jedec_transmission_checksum(text_.substr(transmission_start, etx_at + 1 - transmission_start));
        if (sum != *given) {
            return fault_at(etx_at + 1, "transmission checksum " + hex4(*given) + " does not match the data's " +
                                            hex4(sum) + ": the file was changed or cut");
        }
    }
    return std::nullopt;
}

std::optional<jedec_error> reader::complete(pla_fuses& fuses, jedec_pair_order order) const {
    if (!fuse_count_given_) {
        if (header_.find("QF") != std::string_view::npos) {
            return fault(
                "no QF field gives the fuse count: the text up to the first '*' is the header, the design's "
                "description, and the QF there is read as part of it (start the file with a header line "
                "and its '*')");
        }
        return fault("no QF field gives the fuse count (QF1928)");
    }
    pla_fuses file_fuses = file_fuses_;
    for (std::size_t fuse = 0; fuse < pla_fuse_count; ++fuse) {
        if (file_fuses[fuse] == unset) {
            if (!default_state_) {
                return fault("fuse " + std::to_string(fuse) + " is set by no L field, and no F field gives a default");
            }
            file_fuses[fuse] = *default_state_;
        }
    }
    if (fuse_checksum_) {
        const std::uint16_t sum = jedec_fuse_checksum(file_fuses);
        if (sum != *fuse_checksum_) {
            return fault_at(fuse_checksum_at_, "fuse checksum " + hex4(*fuse_checksum_) +
                                                   " (the C field) does not match the fuses' " + hex4(sum));
        }
    }
    fuses = order == jedec_pair_order::true_first ? jedec_swap_pairs(file_fuses) : file_fuses;
    return std::nullopt;
}

} // namespace

std::optional<jedec_error> read_jedec(std::string_view text, jedec_pair_order order, pla_fuses& fuses) {
    if (is_utf16_text(text)) {
        return jedec_error{0, 0, std::string{utf16_text_message}};
    }
    return reader(without_utf8_bom(text)).read(order, fuses);
}

std::string write_jedec(const pla_fuses& fuses, jedec_pair_order order, std::string_view program) {
    const pla_fuses file_fuses = order == jedec_pair_order::true_first ? jedec_swap_pairs(fuses) : fuses;
    std::string text;
    text += stx;
    text += "82S100 fuse map (16 inputs, 48 terms, 8 outputs) written by ";
    text += program;
    text += order == jedec_pair_order::true_first ? ", input pairs true-first" : ", input pairs complement-first";
    text += "*\r\nQP28*\r\nQF1928*\r\nF0*\r\n";
    const auto fuse_list = [&](std::size_t first, std::size_t count) {
        std::array<char, 8> number{};
        (void)std::snprintf(number.data(), number.size(), "L%04zu ", first); // cannot be cut short
        text += number.data();
        for (std::size_t fuse = first; fuse < first + count; ++fuse) {
            text += file_fuses[fuse] != 0 ? '1' : '0';
        }
        text += "*\r\n";
    };
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        fuse_list(pla_complement_fuse(term, 0), pla_term_block_size);
    }
    fuse_list(pla_polarity_fuse(0), pla_output_count);
    text += "C" + hex4(jedec_fuse_checksum(file_fuses)) + "*\r\n";
    text += etx;
    text += hex4(jedec_transmission_checksum(text)) + "\r\n";
    return text;
}

pla_fuses jedec_swap_pairs(const pla_fuses& fuses) noexcept {
    pla_fuses swapped = fuses;
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            std::swap(swapped[pla_complement_fuse(term, input)], swapped[pla_true_fuse(term, input)]);
        }
    }
    return swapped;
}

std::uint16_t jedec_fuse_checksum(const pla_fuses& fuses) noexcept {
    return jedec_fuse_checksum(std::span<const std::uint8_t>{fuses});
}

std::uint16_t jedec_fuse_checksum(std::span<const std::uint8_t> fuses) noexcept {
    unsigned sum = 0;
    for (std::size_t first = 0; first < fuses.size(); first += 8) {
        unsigned byte = 0;
        for (std::size_t bit = 0; bit < 8 && first + bit < fuses.size(); ++bit) {
            byte |= static_cast<unsigned>(fuses[first + bit] & 1U) << bit;
        }
        sum += byte;
    }
    return static_cast<std::uint16_t>(sum);
}

std::uint16_t jedec_transmission_checksum(std::string_view transmission) noexcept {
    unsigned sum = 0;
    for (const char byte : transmission) {
        // std::accumulate here makes cppcheck see the writer's text as gone when it is not.
        // cppcheck-suppress useStlAlgorithm
        sum += static_cast<unsigned char>(byte);
    }
    return static_cast<std::uint16_t>(sum);
}
