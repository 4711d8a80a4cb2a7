#pragma once
// The file list of a browser window: a tree view whose drags carry what
// its window puts into them and whose drops its window answers. The
// answer to a drag's enter and move events is the answer the drop would
// get, so a refused drop shows the no-drop cursor all the way.

#include "browser/ListColumns.h"

#include <QTreeView>

#include <array>
#include <memory>

class QMimeData;

namespace varnix {

class FileListView : public QTreeView {
    Q_OBJECT
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        // What a drag of the selected rows carries; none when they offer nothing to drag.
        virtual std::unique_ptr<QMimeData> dragData() const = 0;
        virtual Qt::DropActions dragActions() const = 0;
        // How a drop of `data` is taken; IgnoreAction refuses it.
        virtual Qt::DropAction dropAction(const QMimeData& data, Qt::DropAction proposed) const = 0;
        virtual void drop(const QMimeData& data, Qt::DropAction action) = 0;
    };

    explicit FileListView(Handler& handler, QWidget* parent = nullptr);

    // Headings that take clicks, each column at its width, and no last
    // column stretched to the edge. Call once the model is set.
    void setColumnWidths(const std::array<int, ListColumns::kCount>& widths);

protected:
    void startDrag(Qt::DropActions supported) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool answer(QDropEvent& event) const;
    QPixmap dragPicture() const;

    Handler& handler_;
};

} // namespace varnix
