#include "browser/qt/dnd/DragMimeData.h"

#include <QList>
#include <QMimeData>
#include <QUrl>

namespace varnix {
namespace {

QString privateFormat()
{
    return QString::fromLatin1(kDragPayloadType.data(), qsizetype(kDragPayloadType.size()));
}

// Paths are bytes: percent-encoding keeps names that are not UTF-8 intact
// both ways.
QUrl fileUrl(const std::string& path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

std::string pathOf(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

} // namespace

std::unique_ptr<QMimeData> localFilesData(const std::vector<std::string>& paths)
{
    QList<QUrl> urls;
    for (const std::string& path : paths)
        if (!path.empty())
            urls << fileUrl(path);
    if (urls.isEmpty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> remoteRowsData(const DragPayload& payload)
{
    if (payload.names.empty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setData(privateFormat(), QByteArray::fromStdString(encodePayload(payload)));
    return data;
}

DropData dropDataOf(const QMimeData& data)
{
    DropData dropped;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile() && !url.path().isEmpty())
            dropped.files.push_back(pathOf(url));
    if (data.hasFormat(privateFormat()))
        dropped.payload = data.data(privateFormat()).toStdString();
    return dropped;
}

Qt::DropAction dropActionFor(const DropPlan& plan, Qt::DropAction proposed)
{
    switch (plan.kind) {
    case DropKind::Refused:
        return Qt::IgnoreAction;
    case DropKind::Files:
        return Qt::CopyAction;
    case DropKind::RemoteRows:
        return proposed == Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

} // namespace varnix
