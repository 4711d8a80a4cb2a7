#pragma once
// A local window's path box: the desktop's folder tree, each folder
// indented by its depth, the current one chosen; its edit field shows the
// current folder's path and takes a typed one.

#include "browser/local/LocalItem.h"

#include <QComboBox>

#include <functional>
#include <string>

namespace varnix {

class LocalFolderBox : public QComboBox {
    Q_OBJECT
public:
    using IconFor = std::function<QIcon(const std::string& iconName)>;

    explicit LocalFolderBox(QWidget* parent = nullptr);

    // Text a person is typing stays in the edit field.
    void showTree(const FolderTree& tree, const IconFor& iconFor);
    // Sets the edit field, dropping anything typed into it.
    void showFolder(const QString& text);
    std::string folderAt(int index) const;

signals:
    void folderChosen(const std::string& folder);
    void folderTyped(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString shownText_;
};

} // namespace varnix
