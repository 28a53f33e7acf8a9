#include <array>
#include <utility>

#include "commands/common.h"
#include "diagnosis/diagnosis.h"
#include "eprom/image.h"
#include "text/text_lines.h"

namespace {

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

} // namespace

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
        return compared(eprom_exit_status(verification),
                        render_eprom_verification(escaped_name(dumps.front().name), verification),
                        std::move(result.messages));
    }
    std::vector<std::span<const std::uint8_t>> spans;
    std::vector<std::string> names;
    for (std::size_t read = 0; read < reads.size(); ++read) {
        spans.push_back(bytes_of(reads[read]));
        names.push_back(escaped_name(dumps[read].name));
    }
    const eprom_reads_verification verification = verify_eprom_reads(image, spans, mix_ups_of(options.order, through));
    return compared(eprom_exit_status(verification), render_eprom_reads(names, verification),
                    std::move(result.messages));
}
