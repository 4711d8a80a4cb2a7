#pragma once
// What a folder watcher asks of the desktop: where its places are and what
// kind of file each entry is. The GUI implements it; it is called on the
// watcher's thread only, so it must not touch widgets.

#include "browser/local/DesktopNamespace.h"

#include <string>
#include <vector>

namespace varnix {

class FolderWatcherReader {
public:
    struct Desktop {
        std::vector<Place> places;
        std::string desktopFolder;  // the Desktop folder's path, even when it does not exist
    };

    virtual ~FolderWatcherReader() = default;
    virtual Desktop readDesktop() = 0;
    // Fills in the type and icon names of an entry whose path, name, folder
    // flag and file status are known.
    virtual void describe(LocalItem& item) = 0;
};

} // namespace varnix
