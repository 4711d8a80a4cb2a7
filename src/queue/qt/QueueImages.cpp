#include "queue/qt/QueueImages.h"

#include "queue/RowTexts.h"

#include <QHash>
#include <QPainter>
#include <QPolygonF>
#include <QPixmap>

#include <initializer_list>

namespace varnix::QueueImages {
namespace {

const QColor kOutline(0x4d, 0x57, 0x61);
const QColor kDownload(0x2f, 0x80, 0xd0);
const QColor kUpload(0x2e, 0x9e, 0x4c);
const QColor kServer(0x5b, 0x9b, 0xd5);
const QColor kServerEdge(0x2f, 0x6e, 0xa8);

// Shapes are drawn on a 16 x 16 grid, scaled to the pixmap.
void fillShape(QPainter& p, std::initializer_list<QPointF> corners, const QColor& colour, qreal edge)
{
    p.setPen(QPen(colour.darker(140), edge));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF(QList<QPointF>(corners)));
}

void drawArrow(QPainter& p, bool up, const QColor& colour)
{
    if (up)
        fillShape(p, {{8, 0.5}, {13.5, 6}, {10, 6}, {10, 9.5}, {6, 9.5}, {6, 6}, {2.5, 6}}, colour, 0.8);
    else
        fillShape(p, {{8, 9.5}, {13.5, 4}, {10, 4}, {10, 0.5}, {6, 0.5}, {6, 4}, {2.5, 4}}, colour, 0.8);
}

void drawBar(QPainter& p, int step, const QColor& colour)
{
    const QRectF bar(0.5, 11, 15, 4.5);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(bar);
    const qreal filled = (bar.width() - 1) * step / kProgressSteps;
    if (filled > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRect(QRectF(bar.left() + 0.5, bar.top() + 0.5, filled, bar.height() - 1));
    }
}

void drawServers(QPainter& p)
{
    p.setPen(QPen(kServerEdge, 0.8));
    p.setBrush(kServer);
    p.drawRoundedRect(QRectF(0.5, 1.5, 5.5, 13), 1, 1);
    p.drawRoundedRect(QRectF(10, 1.5, 5.5, 13), 1, 1);
    fillShape(p, {{6.5, 7}, {8, 7}, {8, 5}, {10.5, 8}, {8, 11}, {8, 9}, {6.5, 9}}, kUpload, 0.6);
}

QPixmap draw(int number, int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 16.0, side / 16.0);
    if (number >= kSiteToSiteImage) {
        drawServers(p);
    } else {
        const bool up = number >= kUploadImage;
        const int step = number - (up ? kUploadImage : kDownloadImage);
        const QColor colour = up ? kUpload : kDownload;
        drawArrow(p, up, colour);
        drawBar(p, step, colour);
    }
    return pixmap;
}

} // namespace

QIcon image(int number)
{
    // Kept to the end: pixmaps must not outlive the application object.
    static auto* drawn = new QHash<int, QIcon>;
    number = qBound(kDownloadImage, number, kSiteToSiteImage);
    auto known = drawn->find(number);
    if (known != drawn->end())
        return *known;
    QIcon icon;
    icon.addPixmap(draw(number, 16));
    icon.addPixmap(draw(number, 32));
    return *drawn->insert(number, icon);
}

} // namespace varnix::QueueImages
