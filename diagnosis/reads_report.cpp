// The text of several reads of one chip: the reads set aside, the bytes on which they
// differ, then the verdict of what they agree on.
#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "diagnosis/report_text.h"

namespace {

// The first line of several reads when some were set aside: "NAMES: R2 is blank: every
// byte is 0xFF; R3 and R4 are all zero: every byte is 0x00".
void append_set_aside(std::string& text, std::span<const std::string> dump_names,
                      const eprom_reads_verification& result) {
    bool first = true;
    for (const eprom_verdict verdict : {eprom_verdict::blank, eprom_verdict::all_zero}) {
        std::vector<std::size_t> reads;
        for (const eprom_set_aside_read& read : result.set_aside) {
            if (read.verdict == verdict) {
                reads.push_back(read.read);
            }
        }
        if (reads.empty()) {
            continue;
        }
        text += first ? "" : "; ";
        first = false;
        for (std::size_t read = 0; read < reads.size(); ++read) {
            if (read > 0) {
                text += read + 1 == reads.size() ? " and " : ", ";
            }
            text += dump_names[reads[read]];
        }
        text += reads.size() == 1 ? " is " : " are ";
        text += verdict == eprom_verdict::blank ? "blank: every byte is 0xFF" : "all zero: every byte is 0x00";
    }
    text += '\n';
}

// The bytes on which the reads differ, and which way.
void append_unstable(std::string& text, const std::string& names, const eprom_reads_verification& result) {
    text += names;
    text += ": ";
    append_count_differ(text, result.unstable_bytes);
    text += " between the reads: weak cells or a bad contact\n";
    for (const eprom_unstable_byte& unstable : result.first_unstable) {
        append_expected(text, unstable.address, unstable.expected);
        for (const std::uint8_t read : unstable.reads) {
            text += ' ';
            append_hex<2>(text, read);
        }
        text += '\n';
    }
    append_data_line_errors(text, result.unstable_lines, " in some reads");
}

// Reads of other sizes each verified alone: a headline says of the reads together how many
// match, before each read's own text.
void append_reads_alone(std::string& text, const std::string& names, std::span<const std::string> dump_names,
                        const eprom_reads_verification& result) {
    const auto matching = static_cast<std::size_t>(
        std::count_if(result.alone.begin(), result.alone.end(),
                      [](const eprom_verification& read) { return eprom_exit_status(read) == 0; }));
    text += names;
    if (matching == result.alone.size()) {
        text += ": every read matches the image\n";
    } else if (matching == 0) {
        text += ": no read matches the image\n";
    } else {
        text += ": ";
        append_decimal(text, matching);
        text += " of ";
        append_decimal(text, result.alone.size());
        text += matching == 1 ? " reads matches the image\n" : " reads match the image\n";
    }
    for (std::size_t read = 0; read < result.alone.size() && read < dump_names.size(); ++read) {
        text += render_eprom_verification(dump_names[read], result.alone[read]);
    }
}

// "NAME1 + NAME2 + ...", the reads of `reads`.
std::string joined_names(std::span<const std::string> dump_names, std::span<const std::size_t> reads) {
    std::string names;
    for (const std::size_t read : reads) {
        names += names.empty() ? "" : " + ";
        names += dump_names[read];
    }
    return names;
}

} // namespace

std::string render_eprom_reads(std::span<const std::string> dump_names, const eprom_reads_verification& result) {
    std::string text;
    std::vector<std::size_t> every(dump_names.size());
    for (std::size_t read = 0; read < every.size(); ++read) {
        every[read] = read;
    }
    std::string names = joined_names(dump_names, every);
    if (!result.alone.empty()) {
        append_reads_alone(text, names, dump_names, result);
        return text;
    }
    if (!result.set_aside.empty()) {
        text += names;
        text += ": ";
        append_set_aside(text, dump_names, result);
        names = joined_names(dump_names, result.kept);
    }
    if (result.unstable_bytes != 0) {
        append_unstable(text, names, result);
    }
    text += render_eprom_verification(names, result.agreed);
    return text;
}
