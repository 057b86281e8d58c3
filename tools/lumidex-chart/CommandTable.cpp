// The subcommands of lumidex-chart, in the order --help lists them. Each is a
// `const Command` defined in its own file; adding one is one line below.

#include "Command.h"

#define LUMIDEX_CHART_COMMANDS(X) \
    X(kResaveCommand)             \
    X(kInfoCommand)               \
    X(kSoundsCommand)             \
    X(kCheckCommand)              \
    X(kRenderCommand)             \
    X(kTempoCommand)              \
    X(kPictureCommand)

namespace lumidex::cli {

#define LUMIDEX_DECLARE_COMMAND(command) extern const Command command;
LUMIDEX_CHART_COMMANDS(LUMIDEX_DECLARE_COMMAND)
#undef LUMIDEX_DECLARE_COMMAND

namespace {
#define LUMIDEX_LIST_COMMAND(command) &command,
const Command* const kCommands[] = {LUMIDEX_CHART_COMMANDS(LUMIDEX_LIST_COMMAND)};
#undef LUMIDEX_LIST_COMMAND
}  // namespace

const Command* const* commands() {
    return kCommands;
}
int commandCount() {
    return static_cast<int>(std::size(kCommands));
}

}  // namespace lumidex::cli
