#include "browser/qt/local/DesktopFolderReader.h"

#include "browser/local/LocalPaths.h"
#include "browser/qt/FileTypeNames.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>

namespace varnix {
namespace {

std::string bytesOfPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

bool removable(const std::string& mountPoint)
{
    return mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/");
}

} // namespace

DesktopFolderReader::DesktopFolderReader()
    : folderType_(typeNameOf(mimeTypeNamed(QStringLiteral("inode/directory")))),
      linkType_(typeNameOf(mimeTypeNamed(QStringLiteral("inode/symlink"))))
{
}

FolderWatcherReader::Desktop DesktopFolderReader::readDesktop()
{
    Desktop desktop;
    std::string home = bytesOfPath(QDir::homePath());
    desktop.desktopFolder = normalPath(bytesOfPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)));
    desktop.places.push_back({home, "Home", folderType_, "user-home"});
    if (desktop.desktopFolder != home && isDirectory(desktop.desktopFolder))
        desktop.places.push_back(
            {desktop.desktopFolder, lastComponent(desktop.desktopFolder), folderType_, "user-desktop"});
    desktop.places.push_back({"/", "File System", "Volume", "drive-harddisk"});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        std::string root = bytesOfPath(volume.rootPath());
        if (!volume.isValid() || !volume.isReady() || root == home ||
            !DesktopNamespace::isUserVolume(root, volume.fileSystemType().toStdString()) || !isDirectory(root))
            continue;
        std::string name = volume.name().isEmpty() ? lastComponent(root) : volume.name().toUtf8().toStdString();
        desktop.places.push_back({root, name, "Volume", removable(root) ? "drive-removable-media" : "drive-harddisk"});
    }
    return desktop;
}

void DesktopFolderReader::describe(LocalItem& item)
{
    if (item.isFolder) {
        item.typeName = folderType_;
        item.iconName = item.fallbackIconName = "folder";
        return;
    }
    if (!item.hasFileStatus) {
        item.typeName = linkType_;
        item.iconName = "inode-symlink";
        item.fallbackIconName = "text-x-generic";
        return;
    }
    QMimeType type = mimeTypeOfName(QFile::decodeName(QByteArray::fromStdString(item.name)));
    item.typeName = typeNameOf(type);
    item.iconName = type.iconName().toStdString();
    item.fallbackIconName = type.genericIconName().toStdString();
}

} // namespace varnix
