#pragma once
// The desktop as a local window's folder watcher sees it on Linux: the home
// folder, the XDG Desktop folder, the file system's root and the mounted
// volumes, and the type and icon names the shared MIME database gives each
// entry. Only QtCore is used, so the watcher's thread may call it.

#include "browser/local/FolderWatcherReader.h"

#include <QString>

namespace varnix {

class DesktopFolderReader : public FolderWatcherReader {
public:
    DesktopFolderReader();

    Desktop readDesktop() override;
    void describe(LocalItem& item) override;

private:
    std::string folderType_;
    std::string linkType_;
};

} // namespace varnix
