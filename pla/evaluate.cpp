#include "pla/evaluator.h"
#include "pla/pla.h"

namespace {

constexpr auto evaluator = derive_pla_evaluator<pla_term_bytes(pla_fuse_map)>(pla_fuse_map);

} // namespace

std::uint8_t pla_evaluate(std::uint16_t inputs) noexcept {
    return evaluate_with(evaluator, inputs);
}
