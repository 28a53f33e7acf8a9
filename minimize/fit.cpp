// The search over output phases, around the minimizing loop.
#include <algorithm>
#include <bit>
#include <memory>

#include "minimize/bound.h"
#include "minimize/cover.h"
#include "minimize/minimize.h"

namespace {

// The effort a lower bound may take, for each output in each phase, when no cover was
// found small enough.
constexpr std::uint64_t bound_steps = 5'000'000;
// The effort of the first look at each output in each phase, which only asks whether one
// alone rules the array out.
constexpr std::uint64_t quick_bound_steps = 500'000;
// Past this many terms, a last-resort cover is left as grown.
constexpr std::size_t minimized_terms = 1024;

// The inputs the design reads: those across which some word's cared levels, or which
// levels are cared about, change. Every prime of the design leaves the others free.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): in fit_design's order
unsigned inputs_read(std::span<const std::uint8_t, fit_table_size> table,
                     std::span<const std::uint8_t, fit_table_size> care) {
    unsigned read = 0;
    for (unsigned input = 0; input < pla_input_count; ++input) {
        const std::size_t across = std::size_t{1} << input;
        for (std::size_t word = 0; word < fit_table_size; ++word) {
            const std::size_t other = word | across;
            if (other != word && (care[word] != care[other] || ((table[word] ^ table[other]) & care[word]) != 0)) {
                read |= 1U << input;
                break;
            }
        }
    }
    return read;
}

// The design's inputs in the order the search takes them: those it reads first, as I0
// onwards, so that a design of few inputs lies in few words of a point set; its terms
// read back in the design's own inputs.
class input_order {
public:
    explicit input_order(unsigned read) {
        for (unsigned input = 0; input < pla_input_count; ++input) {
            if (((read >> input) & 1U) != 0) {
                original_[count_++] = input;
            }
        }
    }

    // The design's word that the search's word stands for (the inputs not read low); the
    // search's words from 2^count on stand for none.
    [[nodiscard]] std::size_t original_word(std::size_t word) const noexcept {
        return spread(static_cast<unsigned>(word));
    }

    [[nodiscard]] std::size_t words() const noexcept {
        return std::size_t{1} << count_;
    }

    // A term of the search as the design's: its literals on the inputs not read (all low,
    // as in every word the search covers) dropped.
    [[nodiscard]] fit_term original_term(const fit_term& term) const noexcept {
        return {spread(term.care), spread(term.levels), term.outputs};
    }

private:
    [[nodiscard]] std::uint16_t spread(unsigned bits) const noexcept {
        unsigned original = 0;
        for (unsigned input = 0; input < count_; ++input) {
            original |= ((bits >> input) & 1U) << original_[input];
        }
        return static_cast<std::uint16_t>(original);
    }

    std::array<unsigned, pla_input_count> original_{};
    unsigned count_ = 0;
};

// The table as point sets, in the search's order of inputs: for each output, the words
// where it is high and those where its level matters; and the words that stand for the
// design's (no output may be high outside them).
struct plain_sets {
    std::array<point_set, pla_output_count> high;
    std::array<point_set, pla_output_count> cared;
    point_set inside;
};

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): in fit_design's order
std::unique_ptr<plain_sets> sets_of(std::span<const std::uint8_t, fit_table_size> table,
                                    std::span<const std::uint8_t, fit_table_size> care, const input_order& order) {
    auto sets = std::make_unique<plain_sets>();
    for (std::size_t word = 0; word < order.words(); ++word) {
        const std::size_t original = order.original_word(word);
        sets->inside[word / 64] |= std::uint64_t{1} << (word % 64);
        for (unsigned output = 0; output < pla_output_count; ++output) {
            const unsigned cared = (care[original] >> output) & 1U;
            sets->high[output][word / 64] |= std::uint64_t{(table[original] >> output) & cared} << (word % 64);
            sets->cared[output][word / 64] |= std::uint64_t{cared} << (word % 64);
        }
    }
    return sets;
}

// Outputs whose phase the others settle. One whose cared levels are all alike takes no
// term in the phase that makes them low; one whose cared levels are, wherever it has any,
// those of another output (or their complements) takes that output's terms in the phase
// that matches. Neither does better in its other phase, whatever the rest: such an output
// is set aside (its levels free) while the others are covered, and joined after.
struct output_ties {
    unsigned set_aside = 0;
    // For each output set aside: its phase, or whether it is its leader's complement.
    unsigned inverted = 0;
    std::array<int, pla_output_count> leader{};
};

// The phases of all outputs, from those of the outputs not set aside.
std::uint8_t phases_of(const output_ties& ties, unsigned inverted_rest) noexcept {
    unsigned phases = inverted_rest & ~ties.set_aside;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((ties.set_aside >> output) & 1U) != 0) {
            const unsigned own = (ties.inverted >> output) & 1U;
            const int copied = ties.leader[output];
            phases |= (copied < 0 ? own : own ^ ((inverted_rest >> copied) & 1U)) << output;
        }
    }
    return static_cast<std::uint8_t>(phases);
}

// The terms, each feeding every output that follows one it feeds; terms left feeding
// nothing dropped.
cover joined(const output_ties& ties, const cover& terms) {
    cover all;
    for (fit_term term : terms) {
        unsigned outputs = term.outputs & ~ties.set_aside;
        for (unsigned output = 0; output < pla_output_count; ++output) {
            if (ties.leader[output] >= 0 && ((outputs >> ties.leader[output]) & 1U) != 0) {
                outputs |= 1U << output;
            }
        }
        term.outputs = static_cast<std::uint8_t>(outputs);
        if (term.outputs != 0) {
            all.push_back(term);
        }
    }
    return all;
}

bool same_sets(const point_set& one, const point_set& other) noexcept {
    return std::equal(one.begin(), one.end(), other.begin());
}

// Whether `output` copies `other`'s cared levels wherever it has any: 0 as they are, 1
// complemented, -1 not.
int copies(const plain_sets& plain, unsigned output, unsigned other) {
    auto copied = std::make_unique<point_set>();
    auto complement = std::make_unique<point_set>();
    for (std::size_t word = 0; word < point_set_words; ++word) {
        const std::uint64_t own = plain.cared[output][word];
        if ((own & ~plain.cared[other][word]) != 0) {
            return -1;
        }
        (*copied)[word] = plain.high[other][word] & own;
        (*complement)[word] = ~plain.high[other][word] & own;
    }
    return same_sets(plain.high[output], *copied) ? 0 : same_sets(plain.high[output], *complement) ? 1 : -1;
}

output_ties ties_of(const plain_sets& plain) {
    output_ties ties;
    ties.leader.fill(-1);
    std::array<std::size_t, pla_output_count> cared{};
    std::array<unsigned, pla_output_count> order{};
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const std::size_t high = count_points(plain.high[output]);
        cared[output] = count_points(plain.cared[output]);
        order[output] = output;
        if (high == 0 || high == cared[output]) {
            ties.set_aside |= 1U << output;
            ties.inverted |= (high != 0 ? 1U : 0U) << output;
        }
    }
    // Leaders are met first: those cared about most.
    std::stable_sort(order.begin(), order.end(),
                     [&](unsigned left, unsigned right) { return cared[left] > cared[right]; });
    for (std::size_t place = 0; place < pla_output_count; ++place) {
        const unsigned output = order[place];
        for (std::size_t earlier = 0; earlier < place && ((ties.set_aside >> output) & 1U) == 0; ++earlier) {
            const unsigned other = order[earlier];
            if (const int copy = ((ties.set_aside >> other) & 1U) == 0 ? copies(plain, output, other) : -1; copy >= 0) {
                ties.set_aside |= 1U << output;
                ties.inverted |= static_cast<unsigned>(copy) << output;
                ties.leader[output] = static_cast<int>(other);
            }
        }
    }
    return ties;
}

// The table with the outputs set aside free everywhere.
void set_aside(plain_sets& plain, unsigned outputs) noexcept {
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((outputs >> output) & 1U) != 0) {
            plain.high[output].fill(0);
            plain.cared[output].fill(0);
        }
    }
}

// The function for the phases `inverted`.
std::unique_ptr<output_sets> phased(const plain_sets& plain, unsigned inverted) {
    auto function = std::make_unique<output_sets>();
    function->outputs = 0xFF;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const std::uint64_t flip = ((inverted >> output) & 1U) != 0 ? ~std::uint64_t{0} : 0;
        for (std::size_t word = 0; word < point_set_words; ++word) {
            const std::uint64_t cared = plain.cared[output][word];
            const std::uint64_t level = (plain.high[output][word] ^ flip) & cared;
            function->need[output][word] = level;
            function->on[output][word] = (level | ~cared) & plain.inside[word];
        }
    }
    return function;
}

// For each output and phase (0 plain, 1 inverted), points no two of which one term can
// hold: that output alone, in that phase, needs a term for each.
using alone_bounds = std::array<std::array<std::size_t, 2>, pla_output_count>;

// How far independent_bounds looks: the count that is enough, the effort for each output
// in each phase, and the outputs to look at.
struct bound_limits {
    std::size_t enough;
    std::uint64_t steps;
    unsigned outputs;
};

alone_bounds independent_bounds(const plain_sets& plain, const bound_limits& limits) {
    alone_bounds bounds{};
    for (unsigned phase = 0; phase < 2; ++phase) {
        const auto function = phased(plain, phase != 0 ? 0xFFU : 0U);
        for (unsigned output = 0; output < pla_output_count; ++output) {
            if (((limits.outputs >> output) & 1U) != 0) {
                effort budget(limits.steps);
                bounds[output][phase] =
                    independent_points(function->need[output], function->on[output], budget, limits.enough);
            }
        }
    }
    return bounds;
}

// One output alone, in one phase: its cover, or none past the cap.
struct single_cover {
    cover terms;
    bool capped;
};

bool better(const cover& left, const cover& right) {
    return cost_of(left) < cost_of(right);
}

// An output that needs more than twice max_terms alone, in a phase, rules that phase out;
// capped so that a cover of all eight outputs stays far below 65,536 terms.
constexpr std::size_t cap_for(std::size_t max_terms) noexcept {
    return 2 * std::clamp<std::size_t>(max_terms, 32, 2048);
}

class phase_search {
public:
    // The outputs of `plain_outputs` stay plain.
    phase_search(const plain_sets& plain, unsigned plain_outputs, const fit_options& options)
        : plain_(plain), plain_outputs_(plain_outputs), cap_(cap_for(options.max_terms)), budget_(options.effort) {}

    // The cover with fewest terms reached and its phases.
    fit_result run(std::size_t max_terms);

    // The cover of one output alone in one phase (1 inverted), cut short if capped.
    [[nodiscard]] const cover& own_cover(unsigned output, unsigned phase) const noexcept {
        return alone_[output][phase].terms;
    }
    [[nodiscard]] std::uint64_t steps_left() const noexcept {
        return budget_.left();
    }

private:
    void cover_outputs_alone();
    [[nodiscard]] std::uint8_t preferred_phases() const;
    [[nodiscard]] cover start_from(const cover& terms, unsigned output, unsigned inverted) const;
    fit_result last_resort(unsigned inverted);
    [[nodiscard]] unsigned fewer_points() const;
    [[nodiscard]] unsigned capped_outputs() const;

    const plain_sets& plain_;
    unsigned plain_outputs_;
    std::size_t cap_;
    effort budget_;
    std::array<std::array<single_cover, 2>, pla_output_count> alone_{};
};

void phase_search::cover_outputs_alone() {
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (unsigned phase = 0; phase < 2; ++phase) {
            const auto function = phased(plain_, phase != 0 ? 0xFFU : 0U);
            function->outputs = static_cast<std::uint8_t>(1U << output);
            single_cover& alone = alone_[output][phase];
            alone.terms = greedy_cover(*function, cap_, budget_);
            alone.capped = alone.terms.size() > cap_;
            if (!alone.capped) {
                alone.terms = minimize_cover(std::move(alone.terms), *function, budget_);
            }
        }
    }
}

// For each output, the phase it covers alone with fewer terms.
std::uint8_t phase_search::preferred_phases() const {
    unsigned inverted = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const auto& phases = alone_[output];
        if (!phases[1].capped && (phases[0].capped || better(phases[1].terms, phases[0].terms))) {
            inverted |= 1U << output;
        }
    }
    return static_cast<std::uint8_t>(inverted);
}

// A cover for the phases `inverted` from one for those phases with `output` in the other
// phase: the terms kept for the other outputs, and the output's own cover.
cover phase_search::start_from(const cover& terms, unsigned output, unsigned inverted) const {
    cover start;
    for (fit_term term : terms) {
        term.outputs = static_cast<std::uint8_t>(term.outputs & ~(1U << output));
        if (term.outputs != 0) {
            start.push_back(term);
        }
    }
    const cover& alone = alone_[output][(inverted >> output) & 1U].terms;
    start.insert(start.end(), alone.begin(), alone.end());
    return start;
}

// No cover can be small enough: one cover, in the phases that look smaller, minimized if
// it is not too large.
fit_result phase_search::last_resort(unsigned inverted) {
    const auto function = phased(plain_, inverted);
    cover terms = greedy_cover(*function, SIZE_MAX, budget_);
    if (terms.size() <= minimized_terms) {
        terms = minimize_cover(std::move(terms), *function, budget_);
    }
    return {false, static_cast<std::uint8_t>(inverted), std::move(terms), 0, fit_outcome::bounded, std::nullopt, 0};
}

// The outputs too large to cover alone in either phase.
unsigned phase_search::capped_outputs() const {
    unsigned capped = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (alone_[output][0].capped && alone_[output][1].capped) {
            capped |= 1U << output;
        }
    }
    return capped;
}

// The phases of fewer needed points, for a table too large to cover at all.
unsigned phase_search::fewer_points() const {
    unsigned inverted = 0;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const std::size_t high = count_points(plain_.high[output]);
        if (count_points(plain_.cared[output]) - high < high) {
            inverted |= 1U << output;
        }
    }
    return inverted;
}

fit_result phase_search::run(std::size_t max_terms) {
    cover_outputs_alone();
    unsigned inverted = preferred_phases();
    if (const unsigned capped = capped_outputs(); capped != 0) {
        return last_resort((inverted & ~capped) | (fewer_points() & capped));
    }
    cover start;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const cover& alone = alone_[output][(inverted >> output) & 1U].terms;
        start.insert(start.end(), alone.begin(), alone.end());
    }
    cover best = minimize_cover(std::move(start), *phased(plain_, inverted), budget_);
    // Flip one output at a time while that lowers the cost.
    std::array<bool, 256> tried{};
    tried[inverted] = true;
    bool improved = true;
    while (improved && !budget_.exhausted()) {
        improved = false;
        for (unsigned output = 0; output < pla_output_count && !improved && !budget_.exhausted(); ++output) {
            const unsigned flipped = inverted ^ (1U << output);
            if (tried[flipped] || ((plain_outputs_ >> output) & 1U) != 0 ||
                alone_[output][(flipped >> output) & 1U].capped) {
                continue;
            }
            tried[flipped] = true;
            cover candidate = minimize_cover(start_from(best, output, flipped), *phased(plain_, flipped), budget_);
            if (better(candidate, best)) {
                best = std::move(candidate);
                inverted = flipped;
                improved = true;
            }
        }
    }
    const bool found = best.size() <= max_terms;
    return {found, static_cast<std::uint8_t>(inverted), std::move(best), 0, fit_outcome::bounded, std::nullopt, 0};
}

// The output that alone, in its better phase, needs most terms, and how many.
std::pair<unsigned, std::size_t> neediest_output(const alone_bounds& bounds) {
    std::pair<unsigned, std::size_t> neediest{0, 0};
    for (unsigned output = 0; output < pla_output_count; ++output) {
        const std::size_t needs = std::min(bounds[output][0], bounds[output][1]);
        if (needs > neediest.second) {
            neediest = {output, needs};
        }
    }
    return neediest;
}

std::unique_ptr<phase_sets> both_phases(const plain_sets& plain) {
    auto sets = std::make_unique<phase_sets>();
    for (unsigned phase = 0; phase < 2; ++phase) {
        const auto function = phased(plain, phase != 0 ? 0xFFU : 0U);
        for (unsigned output = 0; output < pla_output_count; ++output) {
            sets->on[output][phase] = function->on[output];
            sets->need[output][phase] = function->need[output];
        }
    }
    return sets;
}

// The points each output's own covers and the cover found hold alone, a few of each term.
phase_candidates candidates_of(const plain_sets& plain, const phase_search& search, const fit_result& found,
                               effort& budget) {
    // Eight points a term, more for small covers: a few hundred pairs in all.
    const auto per_term = [](const cover& terms) { return std::max<std::size_t>(8, 256 / (terms.size() + 1)); };
    phase_candidates candidates;
    for (unsigned phase = 0; phase < 2; ++phase) {
        const auto function = phased(plain, phase != 0 ? 0xFFU : 0U);
        cover own; // the outputs' own covers share no output, so one coverage serves them all
        for (unsigned output = 0; output < pla_output_count; ++output) {
            own.insert(own.end(), search.own_cover(output, phase).begin(), search.own_cover(output, phase).end());
        }
        auto points = distinguished_points(own, *function, per_term(own), budget);
        for (unsigned output = 0; output < pla_output_count; ++output) {
            candidates[output][phase] = std::move(points[output]);
        }
    }
    const auto function = phased(plain, found.inverted_outputs);
    auto more = distinguished_points(found.terms, *function, 2 * per_term(found.terms), budget);
    for (unsigned output = 0; output < pla_output_count; ++output) {
        std::vector<std::uint16_t>& points = candidates[output][(found.inverted_outputs >> output) & 1U];
        points.insert(points.end(), more[output].begin(), more[output].end());
        std::sort(points.begin(), points.end());
        points.erase(std::unique(points.begin(), points.end()), points.end());
    }
    return candidates;
}

} // namespace

fit_result fit_design(std::span<const std::uint8_t, fit_table_size> table,
                      std::span<const std::uint8_t, fit_table_size> care, const fit_options& options) {
    const input_order order(inputs_read(table, care));
    const auto plain = sets_of(table, care, order);
    const output_ties ties = ties_of(*plain);
    set_aside(*plain, ties.set_aside);
    // Enough to tell whether one output alone rules the array out: the cover's own bound
    // does the rest.
    const auto [neediest, needs] =
        neediest_output(independent_bounds(*plain, {options.max_terms + 1, quick_bound_steps, 0xFF}));
    if (needs > options.max_terms) {
        // How many that output needs, as far as a fixed effort finds.
        const std::size_t alone =
            neediest_output(independent_bounds(*plain, {SIZE_MAX, bound_steps, 1U << neediest})).second;
        return {false, 0, {}, alone, fit_outcome::impossible, neediest, alone};
    }
    // The cover gets most of the effort; the proof what it leaves, and a quarter at least.
    const std::uint64_t proof_share = options.effort / 4;
    phase_search search(*plain, ties.set_aside, {options.max_terms, options.effort - proof_share});
    fit_result result = search.run(options.max_terms);
    effort proof_budget(proof_share + search.steps_left());
    const std::size_t target = std::min(result.terms.size(), options.max_terms + 1);
    phase_terms own_terms{};
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (unsigned phase = 0; phase < 2; ++phase) {
            own_terms[output][phase] = search.own_cover(output, phase).size();
        }
    }
    polarity_proof proof = polarity_bound(*both_phases(*plain), candidates_of(*plain, search, result, proof_budget),
                                          own_terms, target, ties.set_aside, proof_budget);
    if (proof.better) {
        // The exact cover of one polarity found fewer terms than the search.
        result.terms = minimize_cover(std::move(*proof.better), *phased(*plain, proof.inverted), proof_budget);
        result.inverted_outputs = proof.inverted;
        result.found = result.terms.size() <= options.max_terms;
    }
    result.terms = joined(ties, result.terms);
    result.inverted_outputs = phases_of(ties, result.inverted_outputs);
    std::transform(result.terms.begin(), result.terms.end(), result.terms.begin(),
                   [&](const fit_term& term) { return order.original_term(term); });
    const std::size_t reached = result.terms.size();
    const std::size_t proven = std::max(needs, proof.bound);
    if (result.found && proven >= reached) {
        result.lower_bound = reached;
        result.outcome = fit_outcome::proven;
    } else if (proven > options.max_terms) {
        result.lower_bound = proven;
        result.outcome = fit_outcome::impossible;
    } else {
        result.lower_bound = std::min(proven, reached);
        result.outcome = fit_outcome::bounded;
    }
    return result;
}

fit_result fit_truth_table(std::span<const std::uint8_t, fit_table_size> table, std::size_t max_terms) {
    const std::vector<std::uint8_t> all(fit_table_size, 0xFF);
    return fit_design(table, std::span<const std::uint8_t, fit_table_size>(all.data(), fit_table_size),
                      {max_terms, fit_default_effort});
}
