#include "browser/qt/ChildWindow.h"

namespace varnix {

ChildWindow::ChildWindow(ApplicationModel& model, Kind kind, QWidget* parent)
    : QWidget(parent),
      model_(model),
      kind_(kind),
      section_(model.sections(), kind == Kind::Local ? WindowSections::kLocalWindow : WindowSections::kRemoteWindow)
{
}

LocalChildWindow::LocalChildWindow(ApplicationModel& model, QWidget* parent)
    : ChildWindow(model, Kind::Local, parent)
{
}

LocalChildWindow::~LocalChildWindow()
{
    model().removeLocal(this);
}

void LocalChildWindow::activated()
{
    model().activateLocal(this);
}

RemoteChildWindow::RemoteChildWindow(ApplicationModel& model, QWidget* parent)
    : ChildWindow(model, Kind::Remote, parent)
{
}

RemoteChildWindow::~RemoteChildWindow()
{
    model().removeRemote(this);
}

void RemoteChildWindow::activated()
{
    model().activateRemote(this);
}

} // namespace varnix
