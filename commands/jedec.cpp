#include "jedec/jedec.h"
#include "commands/common.h"

command_result run_jedec(jedec_pair_order order) {
    return written(write_jedec(pla_fuse_map, order, version_line));
}
