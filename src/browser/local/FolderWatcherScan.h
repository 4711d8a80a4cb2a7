#pragma once
// Reading a local folder on the watcher's thread.

#include "browser/local/LocalItem.h"

#include <atomic>
#include <string>
#include <vector>

namespace varnix {

class FolderWatcherReader;

// The entries a person sees in `folder` (names beginning with a dot are
// hidden), each described by `reader`. Links show what they point to; a
// broken link has no file status. When `stop` is set it ends early.
FolderContents scanFolder(const std::string& folder, FolderWatcherReader& reader, const std::atomic<bool>& stop);

// The visible folders in `folder`, by name.
std::vector<std::string> subfolders(const std::string& folder);

} // namespace varnix
