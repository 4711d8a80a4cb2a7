#pragma once
// Type names and icons of remote entries, as the desktop gives them for a
// name alone: the MIME type by the name's extension (never by content,
// which a remote entry does not offer), its description, and its icon from
// the icon theme, with Adwaita as the fallback theme and the style's plain
// file and folder icons as the last resort, so that every desktop shows
// something. Links get a small arrow in the corner of their icon.
//
// describe() runs on session threads while they read a listing: it only
// files the icon's theme names under a number. The icons themselves are
// made on the UI thread when a view first asks for one.

#include "model/FileTypeProvider.h"

#include <QHash>
#include <QIcon>
#include <QMimeType>
#include <QString>

#include <mutex>
#include <vector>

namespace varnix {

class DesktopFileTypes : public FileTypeProvider {
public:
    // Icon numbers every listing understands, with or without a provider.
    static constexpr int kFileIcon = 0;
    static constexpr int kFolderIcon = 1;

    // The one provider of the program; it is never destroyed, since a
    // session may still be reading a listing while the program ends.
    static DesktopFileTypes& instance();

    FileType describe(std::string_view name, bool isFolder, bool isLink) override;

    // UI thread only.
    QIcon icon(int index);
    QIcon openFolderIcon();

private:
    struct Kind {
        QString iconName;
        QString genericIconName;
        bool folder = false;
        bool link = false;
    };

    DesktopFileTypes();
    int kindIndex(const QMimeType& type, bool isFolder, bool isLink);
    QIcon makeIcon(const Kind& kind) const;

    std::mutex mutex_;
    std::vector<Kind> kinds_;
    QHash<QString, int> indexByKey_;
    QHash<QString, std::string> typeNames_;
    std::vector<QIcon> icons_;  // UI thread
};

} // namespace varnix
