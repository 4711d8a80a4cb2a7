#include "model/FileTypeProvider.h"
#include "model/RemoteFolder.h"

#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

using varnix::FileType;
using varnix::FileTypeProvider;
using varnix::RemoteFile;
using varnix::RemoteFolder;

namespace {

RemoteFile fileNamed(std::string_view name, char kind = '-')
{
    std::string line = std::string(1, kind) + "rw-r--r-- 1 o g 0 Jan 1 2001 ";
    line += name;
    return RemoteFile::parse(line, 2001);
}

RemoteFolder& fill(RemoteFolder& folder, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names)
        folder.append(fileNamed(name));
    return folder;
}

TEST(RemoteFolderTest, KeepsListingOrder)
{
    RemoteFolder folder;
    fill(folder, {"b", "a", "c"});
    std::vector<std::string> names;
    for (const RemoteFile& f : folder)
        names.push_back(f.name());
    EXPECT_EQ(names, (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(folder.count(), 3u);
    EXPECT_EQ(folder.entry(1).name(), "a");
}

TEST(RemoteFolderTest, EntriesStayPutWhileTheFolderGrows)
{
    RemoteFolder folder;
    const RemoteFile* first = &folder.append(fileNamed("first"));
    for (int i = 0; i < 20000; ++i)
        folder.append(fileNamed("entry" + std::to_string(i)));
    EXPECT_EQ(first, &folder.entry(0));
    EXPECT_EQ(first->name(), "first");
    EXPECT_EQ(folder.find("first"), first);
    EXPECT_EQ(folder.find("entry19999"), &folder.entry(20000));
}

TEST(RemoteFolderTest, FindMatchesExactBytes)
{
    RemoteFolder folder;
    fill(folder, {"README", " lead", "caf\xe9", "a -> b"});
    EXPECT_EQ(folder.find("README"), &folder.entry(0));
    EXPECT_EQ(folder.find("Readme"), nullptr);
    EXPECT_EQ(folder.find("lead"), nullptr);
    EXPECT_EQ(folder.find(" lead"), &folder.entry(1));
    EXPECT_EQ(folder.find("caf\xe9"), &folder.entry(2));
    EXPECT_EQ(folder.find("caf\xc3\xa9"), nullptr);
    EXPECT_EQ(folder.find("a -> b"), &folder.entry(3));
    EXPECT_EQ(folder.find(""), nullptr);
    EXPECT_EQ(RemoteFolder().find("README"), nullptr);
}

TEST(RemoteFolderTest, FindGivesTheFirstOfRepeatedNames)
{
    RemoteFolder folder;
    folder.append(fileNamed("same"));
    folder.append(fileNamed("same", 'd'));
    EXPECT_EQ(folder.find("same"), &folder.entry(0));
    EXPECT_FALSE(folder.find("same")->isFolder());
}

TEST(RemoteFolderTest, FindsALinkByTheNameBeforeTheArrow)
{
    RemoteFolder folder;
    folder.append(RemoteFile::parse("lrwxrwxrwx 1 o g 0 Jan 1 2001 data -> /srv/data", 2001));
    ASSERT_NE(folder.find("data"), nullptr);
    EXPECT_EQ(folder.find("data -> /srv/data"), nullptr);
    folder.find("data")->setFolder(true);
    EXPECT_TRUE(folder.entry(0).isFolder());
}

TEST(RemoteFolderTest, ResolvedPathsAreKeptPerName)
{
    RemoteFolder folder;
    EXPECT_EQ(folder.resolvedPath("pub"), "");
    folder.setResolvedPath("pub", "/srv/ftp/pub");
    folder.setResolvedPath("..", "/srv/ftp");
    EXPECT_EQ(folder.resolvedPath("pub"), "/srv/ftp/pub");
    EXPECT_EQ(folder.resolvedPath(".."), "/srv/ftp");
    EXPECT_EQ(folder.resolvedPath("Pub"), "");
    folder.setResolvedPath("pub", "/mnt/pub");
    EXPECT_EQ(folder.resolvedPath("pub"), "/mnt/pub");
}

// The session thread records paths while the UI thread reads them; a reader
// must only ever see nothing or a complete path for the name it asked for.
TEST(RemoteFolderTest, ResolvedPathsSurviveAConcurrentWriter)
{
    RemoteFolder folder;
    constexpr int kNames = 200;
    auto pathOf = [](int i, int round) {
        return "/a/rather/long/path/so/that/it/is/allocated/" + std::to_string(round) + "/" +
               std::to_string(i);
    };
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int round = 0; round < 50; ++round)
            for (int i = 0; i < kNames; ++i)
                folder.setResolvedPath("n" + std::to_string(i), pathOf(i, round));
        writing = false;
    });
    std::atomic<int> torn{0};
    auto read = [&] {
        do {
            for (int i = 0; i < kNames; ++i) {
                std::string path = folder.resolvedPath("n" + std::to_string(i));
                std::string tail = "/" + std::to_string(i);
                bool whole = path.empty() || (path.rfind("/a/rather/long/path/", 0) == 0 &&
                                              path.ends_with(tail));
                if (!whole)
                    ++torn;
            }
        } while (writing);
    };
    std::thread reader1(read), reader2(read);
    writer.join();
    reader1.join();
    reader2.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(folder.resolvedPath("n7"), pathOf(7, 49));
}

class ProviderScope {
public:
    explicit ProviderScope(FileTypeProvider* p) { varnix::setFileTypeProvider(p); }
    ~ProviderScope() { varnix::setFileTypeProvider(nullptr); }
};

class RecordingProvider : public FileTypeProvider {
public:
    FileType describe(std::string_view name, bool isFolder, bool isLink) override
    {
        calls.emplace_back(std::string(name), isFolder, isLink);
        if (name == "blank")
            return {"", 9};
        return {isFolder ? "Folder" : "Text document", static_cast<int>(calls.size()) + 10};
    }
    std::vector<std::tuple<std::string, bool, bool>> calls;
};

RemoteFolder& fillMixed(RemoteFolder& folder)
{
    folder.append(RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 1 2001 notes.txt", 2001));
    folder.append(RemoteFile::parse("drwxr-xr-x 1 o g 0 Jan 1 2001 pub", 2001));
    folder.append(RemoteFile::parse("lrwxrwxrwx 1 o g 0 Jan 1 2001 up -> ..", 2001));
    folder.append(RemoteFile::parse("lrwxrwxrwx 1 o g 0 Jan 1 2001 doc -> notes.txt", 2001));
    folder.entry(2).setFolder(true);  // the listing reader could change into it
    return folder;
}

TEST(RemoteFolderTest, BuildIconsAsksTheProviderAboutEveryEntry)
{
    RecordingProvider provider;
    ProviderScope scope(&provider);
    RemoteFolder folder;
    fillMixed(folder).append(fileNamed("blank"));
    folder.buildIcons();
    using Call = std::tuple<std::string, bool, bool>;
    EXPECT_EQ(provider.calls, (std::vector<Call>{{"notes.txt", false, false},
                                                 {"pub", true, false},
                                                 {"up", true, true},
                                                 {"doc", false, true},
                                                 {"blank", false, false}}));
    EXPECT_EQ(folder.entry(0).typeText(), "Text document");
    EXPECT_EQ(folder.entry(0).iconIndex(), 11);
    EXPECT_EQ(folder.entry(2).typeText(), "Folder");
    EXPECT_EQ(folder.entry(2).iconIndex(), 13);
    EXPECT_EQ(folder.entry(4).typeText(), "File");
    EXPECT_EQ(folder.entry(4).iconIndex(), 9);
}

TEST(RemoteFolderTest, BuildIconsWithoutAProviderCallsEverythingAFile)
{
    ASSERT_EQ(varnix::fileTypeProvider(), nullptr);
    RemoteFolder folder;
    fillMixed(folder).buildIcons();
    for (const RemoteFile& f : folder) {
        SCOPED_TRACE(f.name());
        EXPECT_EQ(f.typeText(), "File");
        EXPECT_EQ(f.iconIndex(), f.isFolder() ? 1 : 0);
    }
}

}  // namespace
