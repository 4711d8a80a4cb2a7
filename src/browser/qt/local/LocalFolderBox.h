#pragma once
// A local window's path box: the desktop's folder tree, the current folder
// chosen; its edit field shows the current folder's path and takes a typed
// one.

#include "browser/local/LocalItem.h"
#include "browser/qt/FolderPathBox.h"

#include <functional>
#include <string>

namespace varnix {

class LocalFolderBox : public FolderPathBox {
    Q_OBJECT
public:
    using IconFor = std::function<QIcon(const std::string& iconName)>;

    explicit LocalFolderBox(QWidget* parent = nullptr);

    // Text a person is typing stays in the edit field.
    void showTree(const FolderTree& tree, const IconFor& iconFor);
    // Sets the edit field, dropping anything typed into it.
    void showFolder(const QString& text);

signals:
    void folderChosen(const std::string& folder);

private:
    QString shownText_;
};

} // namespace varnix
