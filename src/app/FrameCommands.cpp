#include "app/FrameCommands.h"

namespace varnix {

FrameCommands FrameCommands::from(const FrameState& state)
{
    FrameCommands c;
    c.newConnection = !state.barIncomplete;
    c.siteSettings = state.remoteActive || !state.barIncomplete;
    c.bookmark = c.siteSettings;
    c.closeWindow = state.children > 0;
    c.closeAll = state.children > 0;
    return c;
}

} // namespace varnix
