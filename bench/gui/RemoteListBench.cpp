// How the remote window copes with a folder of 20,000 entries: the time
// from the session's "listed" notice to a filled, sorted and painted list,
// the memory that adds, and a re-sort by another column (a click on the
// Size heading). The folder is built and given its desktop types first, as
// a session does before it sends the notice, and that is timed apart.
//
//     remote_list_bench [ENTRIES] [ROUNDS]        (defaults 20000, 7)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "app/ApplicationModel.h"
#include "app/qt/MainWindow.h"
#include "browser/qt/DesktopFileTypes.h"
#include "browser/qt/remote/RemoteBrowserWindow.h"
#include "browser/qt/remote/RemoteFileModel.h"
#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "platform/qt/QtDispatcher.h"
#include "site/SessionNotice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeView>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace varnix;

namespace {

const char* const kExtensions[] = {"txt", "jpg", "png", "c", "html", "pdf", "tar.gz", "bin", "mp3", "odt"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Listing lines as a Unix server sends them: one folder in ten.
std::vector<std::string> listingLines(int entries)
{
    std::mt19937 random(20000);
    std::vector<std::string> lines;
    char line[160];
    for (int i = 0; i < entries; ++i) {
        const bool folder = i % 10 == 0;
        std::snprintf(line, sizeof line, "%s 1 owner group %u %s %u %s entry-%05d%s%s\r\n",
                      folder ? "drwxr-xr-x" : "-rw-r--r--", unsigned(random() % 50000000), kMonths[random() % 12],
                      unsigned(random() % 28 + 1), random() % 2 ? "2019" : "12:34", int(random() % 1000000),
                      folder ? "" : ".", folder ? "" : kExtensions[random() % 10]);
        lines.push_back(line);
    }
    return lines;
}

// Large blocks are mapped apart from the heap; both count.
std::size_t heapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The notice a session sends once the folder is in the site's cache.
void announce(RemoteBrowserWindow& window, const std::string& path)
{
    auto* listed = new SessionNotice;
    listed->kind = NoticeListed;
    listed->text = path;
    window.browser().receiveMessage(kSessionNoticeMessage, listed);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;

    QtDispatcher dispatcher;
    MemoryProfile profile;
    ApplicationModel model(profile);
    setFileTypeProvider(&DesktopFileTypes::instance());
    MainWindow frame(model);
    frame.resize(1280, 800);
    frame.show();

    // Port 1 refuses: nothing here goes to a server, the folders are cached.
    SiteHandle site = model.makeSite({"127.0.0.1", "1", "", ""});
    const std::vector<std::string> lines = listingLines(entries);
    std::vector<double> reading, showing, resorting;
    std::size_t folderBytes = 0, listBytes = 0;
    {
        FolderHandle small = makeShared<RemoteFolder>();
        small->append(RemoteFile::parse(lines.front(), 2020));
        LockedAccess<SiteContext>(site)->storeFolder("/small", small);
    }
    auto* window = static_cast<RemoteBrowserWindow*>(frame.openRemoteWindow(site, "/small"));
    QApplication::processEvents();
    QTreeView& list = window->fileList();

    for (int round = 0; round < rounds; ++round) {
        // What the session does before it sends the notice.
        const std::size_t empty = heapInUse();
        QElapsedTimer timer;
        timer.start();
        FolderHandle folder = makeShared<RemoteFolder>();
        for (const std::string& line : lines)
            folder->append(RemoteFile::parse(line, 2020));
        folder->buildIcons();
        reading.push_back(milliseconds(timer));
        const std::string path = "/big" + std::to_string(round);
        LockedAccess<SiteContext>(site)->storeFolder(path, folder);
        folderBytes = std::max(folderBytes, heapInUse() - empty);

        // The notice, up to the painted list.
        const std::size_t before = heapInUse();
        timer.restart();
        announce(*window, path);
        // The view lays its rows out when the loop next runs.
        QApplication::processEvents();
        list.viewport()->repaint();
        showing.push_back(milliseconds(timer));
        // The first round counts: later ones reuse what the view grew then.
        listBytes = std::max(listBytes, heapInUse() - before);
        if (window->files().rowCount() != entries)
            std::fprintf(stderr, "the list shows %d rows, not %d\n", window->files().rowCount(), entries);

        // A click on the Size heading, up to the painted list; then back to Name.
        QHeaderView* header = list.header();
        timer.restart();
        emit header->sectionClicked(1);
        QApplication::processEvents();
        list.viewport()->repaint();
        resorting.push_back(milliseconds(timer));
        emit header->sectionClicked(0);

        // Back to the small folder, so the next round starts from the same place.
        announce(*window, "/small");
        folder.reset();
        LockedAccess<SiteContext>(site)->storeFolder(path, FolderHandle{});
        QApplication::processEvents();
    }

    std::printf("remote window list, %d entries, %d rounds (median, min-max)\n", entries, rounds);
    auto row = [](const char* what, const std::vector<double>& v, const char* target) {
        std::printf("  %-52s %8.1f ms  (%.1f-%.1f)  %s\n", what, median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()), target);
    };
    row("listed notice to filled, sorted, painted list", showing, "target < 100 ms");
    row("re-sort by Size (heading click to painted list)", resorting, "target < 50 ms");
    row("reading the lines and naming their types (session)", reading, "not a target");
    std::printf("  %-52s %8.1f B per entry  target < 1024\n", "memory the list adds", double(listBytes) / entries);
    std::printf("  %-52s %8.1f B per entry  (the listing itself)\n", "memory of the cached folder",
                double(folderBytes) / entries);
    window->close();
    return 0;
}
