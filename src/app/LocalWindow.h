#pragma once
// A local browser window as the rest of the program sees it: the folder
// where downloads from remote windows land while it is the current one.

#include <string>

namespace varnix {

class LocalWindow {
public:
    virtual ~LocalWindow() = default;
    // The shown folder's file-system path; empty for a folder without one.
    virtual std::string folder() const = 0;
};

} // namespace varnix
