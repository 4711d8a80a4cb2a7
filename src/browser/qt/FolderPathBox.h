#pragma once
// A browser window's path box: an editable combo box whose list shows
// folders below their parents, each indented by its depth, and whose edit
// field shows the current folder's path and takes a typed one. Enter in
// the field is taken here, so that the box neither adds the text as an
// item nor picks an item whose name happens to match it; leaving the field
// goes nowhere.

#include <QComboBox>

#include <string>

namespace varnix {

class FolderPathBox : public QComboBox {
    Q_OBJECT
public:
    // Where an item keeps its folder's path (bytes) and its depth.
    static constexpr int kFolderRole = Qt::UserRole + 2;
    static constexpr int kDepthRole = Qt::UserRole + 1;

    explicit FolderPathBox(QWidget* parent = nullptr);

    // An item at `row` for the folder at `path`, `depth` levels down.
    void insertFolder(int row, const QIcon& icon, const QString& label, int depth, const std::string& path);
    std::string folderAt(int index) const;

signals:
    // An item picked from the list.
    void folderPicked(int index);
    void folderTyped(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace varnix
