#pragma once
// The Site Manager's tree of folders and sites. Each item keeps its entry's
// list index. Entries move by dragging with the mouse held: the item under
// the cursor is highlighted only where the dialog's rule allows a drop, and
// releasing anywhere else moves the entry to the top level.

#include <QTreeWidget>

#include <functional>

namespace varnix {

class SiteTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit SiteTree(QWidget* parent = nullptr);

    static int indexOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* itemOf(int index) const;
    // A new item for entry `index` under `parent` (the top level for none).
    QTreeWidgetItem* addItem(QTreeWidgetItem* parent, int index, const QString& label, bool folder);

    // A label is open in its in-place editor.
    bool editing() const { return state() == EditingState; }

    std::function<bool(int dragged, int target)> canDrop;

signals:
    // target is -1 when no folder was highlighted.
    void dropped(int dragged, int target);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void beginDrag(const QPoint& at);
    void highlight(int target);
    void folderOpened(QTreeWidgetItem* item, bool open);

    int pressed_ = -1;
    QPoint pressedAt_;
    bool dragging_ = false;
    int target_ = -1;
};

} // namespace varnix
