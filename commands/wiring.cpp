#include "commands/common.h"
#include "wiring/wiring_text.h"

command_result run_wiring(const command_wiring& wiring) {
    command_result result;
    eprom_wiring read{};
    if (!read_wiring(wiring, read, result.messages)) {
        result.status = status_failed;
        return result;
    }
    return written(write_wiring_text(read));
}
