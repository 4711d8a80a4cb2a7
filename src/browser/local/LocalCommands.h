#pragma once
// Which of a local window's commands can run, from what the window shows.

#include <cstddef>
#include <string>
#include <vector>

namespace varnix {

class UploadTarget;

struct LocalState {
    std::size_t selected = 0;     // selected rows
    bool atDesktop = true;        // the desktop itself is shown: its rows are places
    std::size_t history = 1;      // folders visited, the current one included
    bool refreshPending = false;  // the watcher has a rebuild to do
    bool uploadTarget = false;    // a current remote window that shows a folder
};

struct LocalCommands {
    bool upload = false;  // also Queue and Transfer
    bool open = false;
    bool remove = false;
    bool rename = false;
    bool refresh = false;
    bool replicate = true;
    bool back = false;
    bool up = false;
    bool newFolder = false;

    // The desktop's places are never trashed or renamed, and the desktop
    // has no folder to create one in.
    static LocalCommands from(const LocalState& state);
};

// Upload starts at once, Queue only queues, Transfer (and activating files)
// does what the remote window's site says.
enum class UploadKind { Upload, Queue, Transfer };

// Every path in the order given into the target's folder, with one conflict
// choice for them all; nothing when the target shows no folder yet.
void uploadAll(UploadTarget& target, const std::vector<std::string>& paths, UploadKind kind);

} // namespace varnix
