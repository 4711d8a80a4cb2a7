#pragma once
// What every window inside the main frame's MDI area is to the frame: a
// caption (the widget's window title), a kind, a numbered layout section
// held from creation to destruction, and the commands the frame routes to
// the active child. Local and remote windows derive from the two bases
// below, which keep the workspace's window lists up to date.

#include "browser/DownloadTarget.h"
#include "browser/Workspace.h"
#include "queue/RemoteWindows.h"
#include "settings/WindowSections.h"

#include <QList>
#include <QWidget>

#include <string>

namespace varnix {

// The commands whose menu items and accelerators belong to the main frame
// but whose work is done by the active child.
enum class FrameCommand {
    Cancel,       // Esc
    Rename,       // F2
    Refresh,      // F5
    SiteSettings, // toolbar
    Bookmark,     // toolbar
};

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Local, Remote };

    Kind kind() const { return kind_; }
    // "LocalWindow0", "RemoteWindow1", ...: where the window keeps its layout.
    const std::string& section() const { return section_.name(); }

    // The frame calls this whenever the window becomes the active child.
    virtual void activated() = 0;
    virtual bool canRun(FrameCommand) const { return false; }
    virtual void run(FrameCommand) {}

    // Tab reaches the window's panes in this order (the path box, then the
    // list); entering from the frame, the first or, going back, the last.
    virtual QList<QWidget*> focusPanes() const { return {}; }
    void enterFocus(bool forward);

signals:
    // What canRun() answers may have changed.
    void commandsChanged();
    // Tab went past the last pane, or Shift+Tab before the first: the frame
    // moves on to its own next pane.
    void focusLeft(bool forward);

protected:
    ChildWindow(Workspace& workspace, Kind kind, QWidget* parent);
    Workspace& workspace() const { return workspace_; }
    // An MDI child keeps Tab among its own widgets; this one hands it on.
    bool focusNextPrevChild(bool next) override;

private:
    Workspace& workspace_;
    Kind kind_;
    SectionLease section_;
};

class LocalChildWindow : public ChildWindow, public DownloadTarget {
    Q_OBJECT
public:
    ~LocalChildWindow() override;
    void activated() override;

protected:
    LocalChildWindow(Workspace& workspace, QWidget* parent);
};

class RemoteChildWindow : public ChildWindow, public RemoteWindow {
    Q_OBJECT
public:
    ~RemoteChildWindow() override;
    void activated() override;

protected:
    RemoteChildWindow(Workspace& workspace, QWidget* parent);
};

} // namespace varnix
