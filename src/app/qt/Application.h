#pragma once
// The application object: start-up and shut-down in their order. The Qt
// application and the UI dispatcher exist before it; the profile store is
// the program's own. It owns the one transfer queue, whose rows the main
// frame's queue list shows.

#include <memory>

namespace varnix {

class DialogLoginPrompt;
class MainWindow;
class Profile;
class TransferQueue;
class Workspace;

class Application {
public:
    // Installs the profile, loads the global settings, names the desktop
    // as the teller of file types, creates the workspace (which loads the
    // site list), the main frame (which restores its layout and builds the
    // Sites menu) and the transfer queue.
    explicit Application(Profile& profile);
    // Destroys the queue (its sessions go) and the frame, saves the global
    // settings, then destroys the workspace (which saves the site list) and
    // flushes the profile.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MainWindow& mainWindow() { return *frame_; }
    Workspace& workspace() { return *workspace_; }
    TransferQueue& queue() { return *queue_; }

private:
    Profile& profile_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<MainWindow> frame_;
    std::unique_ptr<DialogLoginPrompt> loginPrompt_;
    std::unique_ptr<TransferQueue> queue_;
};

} // namespace varnix
