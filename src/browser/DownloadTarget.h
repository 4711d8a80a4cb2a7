#pragma once
// A local browser window as the workspace and the remote windows see it:
// the folder where downloads from remote windows land while it is the
// current one.

#include <string>

namespace varnix {

class DownloadTarget {
public:
    virtual ~DownloadTarget() = default;
    // The shown folder's file-system path; empty for a folder without one.
    virtual std::string folder() const = 0;
};

} // namespace varnix
