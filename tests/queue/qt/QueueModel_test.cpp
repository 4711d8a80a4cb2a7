// The queue list's rows: what each column shows, that a progress report
// repaints only its own row, and that the row pictures show progress.

#include "queue/qt/QueueImages.h"
#include "queue/qt/QueueModel.h"

#include <QColor>
#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace varnix {
namespace {

// How many of the picture's pixels have the colour of the bar's filling
// (the arrow above the bar has it too, a constant amount).
int colouredPixels(int image)
{
    QImage picture = QueueImages::image(image).pixmap(16, 16).toImage();
    int count = 0;
    for (int y = 12; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            count += QColor::fromRgba(picture.pixel(x, y)).hsvSaturation() > 100 && qAlpha(picture.pixel(x, y)) > 200;
    return count;
}

TEST(QueueModel, ProgressRepaintsItsOwnRowAndThePicturesFill)
{
    QueueModel model;
    QueueItemHandle first = makeShared<QueueItem>(), second = makeShared<QueueItem>();
    model.addRow(first, RowTexts{"Pending", "unknown", "0 KB/sec", "unknown", "a@h:21/x", "/tmp/x", kDownloadImage});
    model.addRow(second, RowTexts{"Queued", "unknown", "0 KB/sec", "unknown", "/tmp/y", "a@h:21/y", kUploadImage});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    RowUpdate update;
    update.status = "Uploading";
    update.size = "700/1000";
    update.image = kUploadImage + 36;
    model.updateProgress(second, update);
    model.setStatus(first, "Canceled");
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, QueueModel::Status));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, QueueModel::Time));
    EXPECT_EQ(changed[1][0].toModelIndex(), model.index(0, QueueModel::Status));
    EXPECT_EQ(changed[1][1].toModelIndex(), model.index(0, QueueModel::Status));

    EXPECT_EQ(model.data(model.index(1, QueueModel::Status), Qt::DisplayRole).toString(), "Uploading");
    EXPECT_EQ(model.data(model.index(1, QueueModel::Size), Qt::DisplayRole).toString(), "700/1000");
    EXPECT_EQ(model.data(model.index(1, QueueModel::Bandwidth), Qt::DisplayRole).toString(), "0 KB/sec");
    EXPECT_EQ(model.data(model.index(1, QueueModel::Destination), Qt::DisplayRole).toString(), "a@h:21/y");
    EXPECT_EQ(model.data(model.index(1, QueueModel::Size), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Bandwidth");
    EXPECT_EQ(model.textsAt(1).image, kUploadImage + 36);

    model.removeRow(first);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowOf(second), 0);
    EXPECT_EQ(model.rowOf(first), -1);

    // Empty, half and full bars differ as a person sees them; so do the directions.
    for (int base : {kDownloadImage, kUploadImage}) {
        EXPECT_LT(colouredPixels(base), colouredPixels(base + kProgressSteps / 2));
        EXPECT_LT(colouredPixels(base + kProgressSteps / 2), colouredPixels(base + kProgressSteps));
    }
    EXPECT_NE(QueueImages::image(kDownloadImage).pixmap(16, 16).toImage(),
              QueueImages::image(kUploadImage).pixmap(16, 16).toImage());
    EXPECT_NE(QueueImages::image(kSiteToSiteImage).pixmap(16, 16).toImage(),
              QueueImages::image(kUploadImage).pixmap(16, 16).toImage());
}

// A failure's reason stays in the row, its whole text in every cell's
// tooltip, and the status bar hears of it at once.
TEST(QueueModel, FailedAttemptsKeepTheirReason)
{
    struct Case {
        const char* status;
        const char* failure;
        const char* shown;
        const char* note;
    } cases[] = {
        {"Failed", "Downloading file a.bin to /tmp/a.bin failed: 500 Illegal PORT command.\r\n",
         "Failed: 500 Illegal PORT command.", "Downloading file a.bin to /tmp/a.bin failed: 500 Illegal PORT command."},
        {"Retry", "Uploading file b from /tmp/b failed: Connection refused", "Retry: Connection refused",
         "Uploading file b from /tmp/b failed: Connection refused (retrying)"},
        {"Failed", "Downloading folder d to /tmp/d failed: 550 Open failed: gone", "Failed: 550 Open failed: gone",
         "Downloading folder d to /tmp/d failed: 550 Open failed: gone"},
        {"Failed", "Server returned insufficient reply", "Failed: Server returned insufficient reply",
         "Server returned insufficient reply"},
        {"Failed", "", "Failed", "Failed"},
    };
    for (const Case& c : cases) {
        QueueModel model;
        QueueItemHandle item = makeShared<QueueItem>();
        model.addRow(item, RowTexts{"Downloading", "5/10", "1.00 KB/sec", "5", "a@h:21/x", "/tmp/x"});
        QSignalSpy told(&model, &QueueModel::failureReported);
        model.setFailure(item, c.status, c.failure);
        const QString tail = *c.failure ? QString("\n") + QString(c.failure).trimmed() : QString();
        EXPECT_EQ(model.data(model.index(0, QueueModel::Status), Qt::DisplayRole).toString(), c.shown);
        EXPECT_EQ(model.data(model.index(0, QueueModel::Status), Qt::ToolTipRole).toString(), c.shown + tail);
        EXPECT_EQ(model.data(model.index(0, QueueModel::Source), Qt::ToolTipRole).toString(), "a@h:21/x" + tail);
        ASSERT_EQ(told.size(), 1) << c.failure;
        EXPECT_EQ(told[0][0].toString(), c.note);
        // A later attempt's progress keeps the reason in the tooltip.
        RowUpdate update;
        update.status = "Downloading";
        model.updateProgress(item, update);
        EXPECT_EQ(model.data(model.index(0, QueueModel::Size), Qt::ToolTipRole).toString(), "5/10" + tail);
    }
}

} // namespace
} // namespace varnix
