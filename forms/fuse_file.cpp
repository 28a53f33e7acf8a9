#include "forms/fuse_file.h"

#include "text/text_lines.h"

namespace {

constexpr std::size_t count_size = 4;

} // namespace

std::optional<form_error> read_fuse_file(std::string_view bytes, jedec_pair_order order, pla_fuses& fuses) {
    if (bytes.size() < count_size) {
        return file_error(counted(bytes.size(), "byte") + ": too short for a fuse file's count");
    }
    std::uint32_t count = 0;
    for (std::size_t byte = 0; byte < count_size; ++byte) {
        count = count << 8U | static_cast<std::uint8_t>(bytes[byte]);
    }
    if (count != pla_fuse_count) {
        return byte_error(0, "a fuse count of " + std::to_string(count) + ", but the 82S100 has " +
                                 std::to_string(pla_fuse_count));
    }
    if (bytes.size() != fuse_file_size) {
        return file_error(std::to_string(bytes.size()) + " bytes, but a fuse file of " +
                          std::to_string(pla_fuse_count) + " fuses has " + std::to_string(fuse_file_size));
    }
    for (std::size_t fuse = 0; fuse < pla_fuse_count; ++fuse) {
        const auto byte = static_cast<std::uint8_t>(bytes[count_size + fuse / 8]);
        fuses[fuse] = static_cast<std::uint8_t>((byte >> (fuse % 8)) & 1U);
    }
    if (order == jedec_pair_order::true_first) {
        fuses = jedec_swap_pairs(fuses);
    }
    return std::nullopt;
}

std::string write_fuse_file(const pla_fuses& fuses, jedec_pair_order order) {
    const pla_fuses numbered = order == jedec_pair_order::true_first ? jedec_swap_pairs(fuses) : fuses;
    std::string bytes(fuse_file_size, '\0');
    std::uint32_t count = pla_fuse_count;
    for (std::size_t byte = count_size; byte-- > 0;) {
        bytes[byte] = static_cast<char>(count & 0xFFU);
        count >>= 8U;
    }
    for (std::size_t fuse = 0; fuse < pla_fuse_count; ++fuse) {
        auto& byte = bytes[count_size + fuse / 8];
        byte = static_cast<char>(static_cast<std::uint8_t>(byte) | (numbered[fuse] & 1U) << (fuse % 8));
    }
    return bytes;
}
