// What drops onto the browser windows do, without the widgets: the payload
// of dragged remote rows and the bytes it refuses, which drops each kind of
// window takes, and the transfers a drop makes, with one conflict choice
// for the whole drop and the rows of a move leaving their server only once
// their transfers have completed.

#include "browser/dnd/Drops.h"

#include "browser/BrowserFixture.h"
#include "browser/remote/DragSources.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

using test::listed;

TEST(DragPayloadTest, RoundTripsAndRefusesAnythingButAWholePayload)
{
    const DragPayload payload{currentProcess(), 42, "/pub/\xff", {"a b", "line\nbreak", "", "\xe9t\xe9"}};
    const std::string bytes = encodePayload(payload);
    EXPECT_EQ(decodePayload(bytes), payload);
    EXPECT_EQ(decodePayload(encodePayload(DragPayload{})), DragPayload{});
    // Every shorter piece of a payload, and anything after its end.
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(decodePayload(std::string_view(bytes).substr(0, length))) << length;
    EXPECT_FALSE(decodePayload(bytes + '\0'));
    std::string otherMagic = bytes;
    otherMagic[0] = 'W';
    EXPECT_FALSE(decodePayload(otherMagic));
    // A count of names far beyond what the bytes hold is refused, not believed.
    std::string boasting = encodePayload(DragPayload{1, 2, "/", {}});
    boasting.replace(boasting.size() - 4, 4, "\xff\xff\xff\xff");
    EXPECT_FALSE(decodePayload(boasting));
}

class DropsTest : public test::BrowserFixture {
protected:
    DropsTest()
    {
        cache("/pub", listed({"- a", "- b", "d tree"}));
        LockedAccess<SiteContext>(other)->storeFolder("/in", listed({"- b"}));
        LockedAccess<SiteContext>(other)->storeFolder("/pub", listed({}));
    }

    DropData rowsOf(RemoteBrowser& source, std::initializer_list<const char*> names)
    {
        return DropData{{}, encodePayload(payloadOf(source, select(source, names)))};
    }
    std::vector<std::string> targets() const
    {
        std::vector<std::string> out;
        for (const QueueItemHandle& item : queue->items())
            out.push_back(item->targetName + (item->queued ? " queued" : " now"));
        return out;
    }

    SiteHandle other = makeLocked<SiteContext>("127.0.0.2", "1", "bob", "pw", registry, profile, global);
};

TEST_F(DropsTest, EachWindowTakesWhatItCanUseAndRefusesTheRest)
{
    RemoteBrowser& source = open("/pub");
    RemoteBrowser& target = open("/in", other);
    // The same server and folder under another login.
    SiteHandle cy = makeLocked<SiteContext>("127.0.0.1", "1", "cy", "pw", registry, profile, global);
    LockedAccess<SiteContext>(cy)->storeFolder("/pub", listed({}));
    RemoteBrowser& twin = open("/pub", cy);
    RemoteBrowser& unlisted = open("/nowhere", other);
    RemoteBrowser& otherFolder = open("/pub", other);

    DropData foreign = rowsOf(source, {"a"});
    DragPayload fromElsewhere = *decodePayload(*foreign.payload);
    fromElsewhere.process += 1;
    foreign.payload = encodePayload(fromElsewhere);
    DropData closed;
    {
        RemoteBrowser gone(site, "/pub", view, dialogs, host);
        gone.open();
        closed = rowsOf(gone, {"a"});
    }
    DropData withdrawn = rowsOf(otherFolder, {});
    otherFolder.withdrawFromDrags();

    const DropData files{{local.write("up", "x").string()}, std::nullopt};
    const DropData rows = rowsOf(source, {"a", "tree"});
    struct Case {
        const char* what;
        DropData data;
        Refusal local;   // onto a local window
        Refusal remote;  // onto `target`
    } cases[] = {
        {"local files", files, Refusal::None, Refusal::None},
        {"rows of a remote window", rows, Refusal::None, Refusal::None},
        {"nothing usable", DropData{}, Refusal::NothingToTake, Refusal::NothingToTake},
        {"not our format", DropData{{}, std::string("garbage")}, Refusal::Malformed, Refusal::Malformed},
        {"another program's rows", foreign, Refusal::OtherProcess, Refusal::OtherProcess},
        {"rows of a closed window", closed, Refusal::SourceClosed, Refusal::SourceClosed},
        {"rows of a window closing", withdrawn, Refusal::SourceClosed, Refusal::SourceClosed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(planLocalDrop(c.data).refusal, c.local);
        EXPECT_EQ(planRemoteDrop(c.data, target).refusal, c.remote);
    }
    EXPECT_EQ(planRemoteDrop(rows, source).refusal, Refusal::OwnWindow);
    EXPECT_EQ(planRemoteDrop(rows, twin).refusal, Refusal::SameFolder);
    EXPECT_EQ(planRemoteDrop(files, unlisted).refusal, Refusal::NoFolder);

    DropPlan plan = planRemoteDrop(rows, target);
    EXPECT_EQ(plan.kind, DropKind::RemoteRows);
    EXPECT_EQ(plan.source, &source);
    ASSERT_EQ(plan.rows.entries.size(), 2u);
    EXPECT_EQ(plan.rows.entries[1]->name(), "tree");
    // Once the source shows another folder, its rows are no longer there to take.
    cache("/", listed({"d pub"}));
    source.choosePath("/");
    EXPECT_EQ(planLocalDrop(rows).refusal, Refusal::FolderLeft);
}

TEST_F(DropsTest, ADropMakesOneTransferPerRowWithOneQuestionForAll)
{
    RemoteBrowser& source = open("/pub");
    RemoteBrowser& target = open("/in", other);
    test::TempTree elsewhere{"varnix-drop"};
    elsewhere.write("a", "old");
    elsewhere.write("b", "old");
    LockedAccess<SiteContext>(site)->settings().setTransferNow(0);
    // Rows onto a local window land in that window's folder, not where
    // downloads usually go; the one question is for all, even for one row.
    dialogs.answers = {{{&ConflictChoice::clickApplyToAll}, true}};
    downloadDropped(planLocalDrop(rowsOf(source, {"a", "b"})), elsewhere.root().string(), false);
    EXPECT_EQ(dialogs.asked, (std::vector<std::string>{elsewhere.path("a").string()}));
    EXPECT_EQ(dialogs.offered, (std::vector<int>{0}));
    EXPECT_EQ(targets(), (std::vector<std::string>{elsewhere.path("a").string() + " queued",
                                                   elsewhere.path("b").string() + " queued"}));

    // Site to site: started at once only when both sites say so.
    queue->clearAll();
    dialogs = test::ScriptedDialogs();
    dialogs.answers = {{{}, true}};
    dropOnRemote(planRemoteDrop(rowsOf(source, {"b", "tree"}), target), target, false);
    EXPECT_EQ(dialogs.offered, (std::vector<int>{0}));
    EXPECT_EQ(targets(), (std::vector<std::string>{"b queued", "tree queued"}));
    EXPECT_TRUE(queue->items().back()->siteToSite && queue->items().back()->folder);
    LockedAccess<SiteContext>(site)->settings().setTransferNow(1);
    LockedAccess<SiteContext>(other)->settings().setTransferNow(0);
    dropOnRemote(planRemoteDrop(rowsOf(source, {"a"}), target), target, false);
    EXPECT_EQ(targets().back(), "a queued");

    // Files onto a remote window: uploads, a folder as a folder transfer.
    elsewhere.mkdir("folder");
    dropOnRemote(planRemoteDrop(DropData{{elsewhere.path("folder").string()}, std::nullopt}, target), target, false);
    EXPECT_TRUE(queue->items().back()->upload && queue->items().back()->folder);
    EXPECT_EQ(targets().back(), "folder queued");
}

TEST_F(DropsTest, MovedRowsLeaveTheirServerOnlyOnceTheirTransfersHaveCompleted)
{
    RemoteBrowser& source = open("/pub");
    RemoteBrowser& target = open("/in", other);
    LockedAccess<SiteContext>(site)->settings().setTransferNow(0);
    LockedAccess<SiteContext>(other)->settings().setTransferNow(0);
    dropOnRemote(planRemoteDrop(rowsOf(source, {"a"}), target), target, true);
    downloadDropped(planLocalDrop(rowsOf(source, {"tree"})), local.root().string(), true);
    ASSERT_EQ(queue->items().size(), 2u);
    const QueueItemHandle copy = queue->items()[0];
    const QueueItemHandle download = queue->items()[1];

    source.settleMoves();
    EXPECT_TRUE(source.movesPending());
    EXPECT_FALSE(source.hasSession()) << "nothing is deleted before its transfer is done";
    copy->doneA = copy->doneB = true;
    source.settleMoves();
    EXPECT_TRUE(source.hasSession()) << "the copied row is deleted";
    EXPECT_TRUE(source.movesPending()) << "the download still waits";
    // A transfer cleared from the queue takes its source with it nowhere.
    queue->clearAll();
    source.settleMoves();
    EXPECT_FALSE(source.movesPending());
    EXPECT_FALSE(download->complete());
}

} // namespace
} // namespace varnix
