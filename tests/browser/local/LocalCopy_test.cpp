// Files dropped onto a local window: which items are copied where, after
// the questions about names already taken, and the copy itself on its own
// thread: whole trees with their links and times, folders merged, nothing
// left half-written, nothing replaced by a different kind of thing.

#include "browser/local/CopyJob.h"
#include "browser/local/LocalCopy.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <thread>

namespace varnix {
namespace {

struct Reply {
    ClashAnswer answer;
    bool forAll = false;
};

class ScriptedClashes : public ClashQuestion {
public:
    ClashAnswer ask(const Clash& clash, bool& applyToAll) override
    {
        asked.push_back(std::filesystem::path(clash.target).filename().string() + (clash.canReplace() ? "" : " (kind)"));
        if (replies.empty()) {
            ADD_FAILURE() << "not expected to ask about " << clash.target;
            return ClashAnswer::Cancel;
        }
        Reply reply = replies.front();
        replies.pop_front();
        applyToAll = reply.forAll;
        return reply.answer;
    }
    std::deque<Reply> replies;
    std::vector<std::string> asked;
};

std::vector<std::string> leftovers(const std::filesystem::path& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".varnix-") != std::string::npos)
            found.push_back(entry.path().string());
    return found;
}

TEST(LocalCopyTest, NamesTakenAreSettledBeforeAnythingIsCopied)
{
    using A = ClashAnswer;
    struct Case {
        const char* what;
        std::vector<std::string> dropped;  // names in the source tree; "here/x" lies in the destination
        std::vector<Reply> replies;
        std::vector<std::string> asked;
        std::vector<std::string> planned;  // target names, "!" when replacing
        std::size_t refused = 0;
        bool cancelled = false;
    } cases[] = {
        {"free names ask nothing", {"new.txt", "folder"}, {}, {}, {"new.txt", "folder"}},
        {"replace", {"a.txt"}, {{A::Replace}}, {"a.txt"}, {"a.txt!"}},
        {"skip", {"a.txt", "new.txt"}, {{A::Skip}}, {"a.txt"}, {"new.txt"}},
        {"keep both finds the first free number", {"a.txt", "sub"}, {{A::KeepBoth}, {A::KeepBoth}},
         {"a.txt", "sub"}, {"a (3).txt", "sub (2)"}},
        {"cancel drops the whole drop", {"new.txt", "a.txt", "b.txt"}, {{A::Cancel}}, {"a.txt"}, {}, 0, true},
        {"an answer for all is asked once", {"a.txt", "b.txt", "new.txt"}, {{A::Skip, true}}, {"a.txt"},
         {"new.txt"}},
        {"a folder merges into a folder", {"sub"}, {{A::Replace}}, {"sub"}, {"sub!"}},
        {"a file never replaces a folder, even when all are replaced", {"a.txt", "clash"},
         {{A::Replace, true}, {A::Replace}}, {"a.txt", "clash (kind)"}, {"a.txt!"}},
        {"what is already there is left alone, unasked", {"here/a.txt"}, {}, {}, {}},
        {"a folder never goes into itself", {"here"}, {}, {}, {}, 1},
        {"a missing file is refused", {"gone.txt"}, {}, {}, {}, 1},
        {"two dropped with one name", {"new.txt", "other/new.txt"}, {{A::KeepBoth}}, {"new.txt"},
         {"new.txt", "new (2).txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempTree from{"varnix-from"};
        from.write("a.txt", "new a");
        from.write("b.txt", "new b");
        from.write("new.txt", "n");
        from.write("other/new.txt", "n2");
        from.mkdir("folder");
        from.mkdir("sub");
        from.write("clash", "a file");
        from.write("here/a.txt", "old a");
        from.write("here/b.txt", "old b");
        from.write("here/a (2).txt", "taken too");
        from.mkdir("here/sub");
        from.mkdir("here/clash");
        const std::string here = from.path("here").string();
        std::vector<std::string> sources;
        for (const std::string& name : c.dropped)
            sources.push_back(name == "here" ? here : from.path(name).string());
        ScriptedClashes question;
        question.replies.assign(c.replies.begin(), c.replies.end());

        CopyPlan plan = planCopy(sources, here, question);

        EXPECT_EQ(question.asked, c.asked);
        std::vector<std::string> planned;
        for (const CopyItem& item : plan.items)
            planned.push_back(std::filesystem::path(item.target).filename().string() + (item.replace ? "!" : ""));
        EXPECT_EQ(planned, c.planned);
        EXPECT_EQ(plan.refused.size(), c.refused);
        EXPECT_EQ(plan.cancelled, c.cancelled);
    }
}

bool finishes(const CopyJob& job)
{
    for (int i = 0; i < 1000 && !job.finished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return job.finished();
}

TEST(CopyJobTest, CopiesTreesWithLinksAndTimesAndMergesFolders)
{
    test::TempTree from{"varnix-from"}, to{"varnix-to"};
    from.writeSized("tree/big.bin", 3 << 20);
    from.write("tree/deep/note.txt", "note");
    from.symlink("tree/link", "deep/note.txt");
    from.setMtime("tree/deep/note.txt", 1015517100);
    from.write("merge/new.txt", "new");
    from.write("merge/same.txt", "dropped");
    from.mkdir("merge/kind");
    to.write("merge/same.txt", "was here");
    to.write("merge/kept.txt", "kept");
    to.write("merge/kind", "a file stays a file");

    CopyJob job(CopyPlan{{{from.path("tree").string(), to.path("tree").string(), false},
                          {from.path("merge").string(), to.path("merge").string(), true}},
                         {"dropped: refused"}, false});
    job.start();
    ASSERT_TRUE(finishes(job));

    EXPECT_EQ(to.read("tree/big.bin"), from.read("tree/big.bin"));
    EXPECT_EQ(job.totalBytes(), job.copiedBytes());
    EXPECT_EQ(job.totalBytes(), std::uint64_t((3 << 20) + 4 + 3 + 7));
    EXPECT_EQ(std::filesystem::read_symlink(to.path("tree/link")), "deep/note.txt");
    struct stat copied {};
    ASSERT_EQ(::stat(to.path("tree/deep/note.txt").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mtime, 1015517100);
    EXPECT_EQ(to.read("merge/same.txt"), "dropped");
    EXPECT_EQ(to.read("merge/kept.txt"), "kept");
    EXPECT_EQ(to.read("merge/new.txt"), "new");
    EXPECT_EQ(to.read("merge/kind"), "a file stays a file");
    ASSERT_EQ(job.failures().size(), 2u);
    EXPECT_EQ(job.failures()[0], "dropped: refused");
    EXPECT_EQ(job.failures()[1], to.path("merge/kind").string() + ": File exists");
    EXPECT_TRUE(leftovers(to.root()).empty());
}

TEST(CopyJobTest, ACancelledCopyLeavesNoPartFileAndNoFailure)
{
    test::TempTree from{"varnix-from"}, to{"varnix-to"};
    from.writeSized("big.bin", 64 << 20);
    to.write("big.bin", "the old one");
    CopyJob job(CopyPlan{{{from.path("big.bin").string(), to.path("big.bin").string(), true}}, {}, false});
    job.start();
    while (job.copiedBytes() == 0 && !job.finished())
        std::this_thread::yield();
    job.cancel();
    ASSERT_TRUE(finishes(job));
    EXPECT_TRUE(job.failures().empty());
    EXPECT_TRUE(leftovers(to.root()).empty());
    if (job.copiedBytes() < job.totalBytes()) {
        EXPECT_EQ(to.read("big.bin"), "the old one");
    }
}

} // namespace
} // namespace varnix
