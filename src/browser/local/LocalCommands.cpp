#include "browser/local/LocalCommands.h"

#include "browser/UploadTarget.h"
#include "queue/ConflictChoice.h"

namespace varnix {

LocalCommands LocalCommands::from(const LocalState& s)
{
    LocalCommands c;
    bool any = s.selected > 0;
    c.upload = any && s.uploadTarget;
    c.open = any;
    c.remove = any && !s.atDesktop;
    c.rename = s.selected == 1 && !s.atDesktop;
    c.refresh = !s.refreshPending;
    c.back = s.history > 1;
    c.up = !s.atDesktop;
    c.newFolder = !s.atDesktop;
    return c;
}

void uploadAll(UploadTarget& target, const std::vector<std::string>& paths, UploadKind kind)
{
    if (paths.empty() || !target.canUpload())
        return;
    bool startNow = kind == UploadKind::Upload || (kind == UploadKind::Transfer && target.transferNow());
    ConflictChoice choice = ConflictChoice::forCommand(paths.size() == 1);
    for (const std::string& path : paths)
        target.upload(path, choice, startNow);
}

} // namespace varnix
