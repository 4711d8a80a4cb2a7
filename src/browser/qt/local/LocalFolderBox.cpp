#include "browser/qt/local/LocalFolderBox.h"

#include "platform/qt/DisplayText.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace varnix {

LocalFolderBox::LocalFolderBox(QWidget* parent) : FolderPathBox(parent)
{
    connect(this, &FolderPathBox::folderPicked, this, [this](int index) {
        std::string folder = folderAt(index);
        showFolder(shownText_);
        emit folderChosen(folder);
    });
}

void LocalFolderBox::showTree(const FolderTree& tree, const IconFor& iconFor)
{
    QSignalBlocker quiet(this);
    bool typing = lineEdit()->isModified();
    QString typed = lineEdit()->text();
    clear();
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        const FolderNode& node = tree.nodes[i];
        bool current = int(i) == tree.current;
        insertFolder(int(i), iconFor(current ? node.openIconName : node.iconName), displayText(node.name), node.depth,
                     node.folder);
    }
    setCurrentIndex(tree.current);
    if (typing) {
        lineEdit()->setText(typed);
        lineEdit()->setModified(true);
    } else {
        lineEdit()->setText(shownText_);
    }
}

void LocalFolderBox::showFolder(const QString& text)
{
    shownText_ = text;
    lineEdit()->setText(text);
    lineEdit()->setModified(false);
}

} // namespace varnix
