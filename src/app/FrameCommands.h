#pragma once
// Which of the main frame's own commands can run, from what the frame shows.

namespace varnix {

struct FrameState {
    bool barIncomplete = true;  // the quick-connect bar lacks a host or a port
    bool remoteActive = false;  // the active child is a remote window
    int children = 0;           // open child windows
};

struct FrameCommands {
    bool newConnection = false; // also the toolbar's Connect
    bool siteSettings = false;
    bool bookmark = false;
    bool closeWindow = false;
    bool closeAll = false;

    // Site Settings and Bookmark serve the active remote window when there
    // is one, else the site typed into the bar.
    static FrameCommands from(const FrameState& state);
};

} // namespace varnix
