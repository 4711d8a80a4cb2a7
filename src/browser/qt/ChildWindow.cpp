#include "browser/qt/ChildWindow.h"

#include <QApplication>

namespace varnix {
namespace {

QList<QWidget*> reachable(const QList<QWidget*>& panes)
{
    QList<QWidget*> open;
    for (QWidget* pane : panes)
        if (pane->isVisible() && pane->isEnabled())
            open.append(pane);
    return open;
}

} // namespace

ChildWindow::ChildWindow(Workspace& workspace, Kind kind, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      kind_(kind),
      section_(workspace.sections(), kind == Kind::Local ? WindowSections::kLocalWindow : WindowSections::kRemoteWindow)
{
}

void ChildWindow::enterFocus(bool forward)
{
    const QList<QWidget*> panes = reachable(focusPanes());
    if (!panes.isEmpty())
        (forward ? panes.front() : panes.back())->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool ChildWindow::focusNextPrevChild(bool next)
{
    const QList<QWidget*> panes = reachable(focusPanes());
    QWidget* focus = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < panes.size(); ++i)
        if (panes[i] == focus || panes[i]->isAncestorOf(focus))
            at = i;
    if (at < 0)
        return QWidget::focusNextPrevChild(next);
    const qsizetype to = at + (next ? 1 : -1);
    if (to < 0 || to >= panes.size())
        emit focusLeft(next);
    else
        panes[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

LocalChildWindow::LocalChildWindow(Workspace& workspace, QWidget* parent)
    : ChildWindow(workspace, Kind::Local, parent)
{
}

LocalChildWindow::~LocalChildWindow()
{
    workspace().removeLocal(this);
}

void LocalChildWindow::activated()
{
    workspace().activateLocal(this);
}

RemoteChildWindow::RemoteChildWindow(Workspace& workspace, QWidget* parent)
    : ChildWindow(workspace, Kind::Remote, parent)
{
}

RemoteChildWindow::~RemoteChildWindow()
{
    workspace().removeRemote(this);
}

void RemoteChildWindow::activated()
{
    workspace().activateRemote(this);
}

} // namespace varnix
