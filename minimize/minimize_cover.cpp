// The minimizing loop over one choice of output phases.
#include "minimize/cover.h"

cover minimize_cover(cover terms, const output_sets& function, effort& budget) {
    expand_cover(terms, function, budget);
    make_irredundant(terms, function, budget);
    cover best = terms;
    cover_cost best_cost = cost_of(best);
    while (!budget.exhausted()) {
        reduce_cover(terms, function, budget);
        expand_cover(terms, function, budget);
        make_irredundant(terms, function, budget);
        const cover_cost cost = cost_of(terms);
        if (!(cost < best_cost)) {
            break;
        }
        best = terms;
        best_cost = cost;
    }
    drop_redundant_outputs(best, function, budget);
    return best;
}
