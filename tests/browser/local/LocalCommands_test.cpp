#include "browser/UploadTarget.h"
#include "browser/local/LocalCommands.h"
#include "queue/ConflictChoice.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

std::string enabled(const LocalCommands& c)
{
    std::string out;
    for (bool on : {c.upload, c.open, c.remove, c.rename, c.refresh, c.replicate, c.back, c.up, c.newFolder})
        out += on ? '1' : '0';
    return out;
}

TEST(LocalCommands, WhatTheWindowShowsDecides)
{
    //                        upload open remove rename refresh replicate back up newFolder
    struct Case { LocalState state; const char* enabled; } cases[] = {
        {{0, true, 1, false, false}, "000011000"},   // the desktop, nothing selected
        {{1, true, 1, false, true}, "110011000"},    // a place: opened or uploaded, never trashed
        {{0, false, 1, false, true}, "000011011"},
        {{1, false, 2, false, false}, "011111111"},  // no remote window to upload to
        {{1, false, 2, false, true}, "111111111"},
        {{3, false, 2, true, true}, "111001111"},    // several rows; a refresh is pending
    };
    for (const Case& c : cases)
        EXPECT_EQ(enabled(LocalCommands::from(c.state)), c.enabled);
}

struct FakeTarget : UploadTarget {
    bool canUpload() const override { return ready; }
    bool transferNow() const override { return now; }
    void upload(const std::string& path, ConflictChoice& choice, bool startNow) override
    {
        calls.push_back({path, &choice, choice.applyToAll, startNow});
    }
    struct Call {
        std::string path;
        const ConflictChoice* choice;
        std::int32_t applyToAll;
        bool startNow;
    };
    bool ready = true;
    bool now = false;
    std::vector<Call> calls;
};

TEST(LocalCommands, OneConflictChoiceServesAWholeUpload)
{
    struct Case { UploadKind kind; bool transferNow; bool startNow; } cases[] = {
        {UploadKind::Upload, false, true}, {UploadKind::Queue, true, false},
        {UploadKind::Transfer, true, true}, {UploadKind::Transfer, false, false},
    };
    for (const Case& c : cases) {
        FakeTarget target;
        target.now = c.transferNow;
        uploadAll(target, {"/a", "/b"}, c.kind);
        ASSERT_EQ(target.calls.size(), 2u);
        EXPECT_EQ(target.calls[0].path, "/a");
        EXPECT_EQ(target.calls[0].choice, target.calls[1].choice);
        EXPECT_EQ(target.calls[0].applyToAll, 0);
        EXPECT_EQ(target.calls[1].startNow, c.startNow);
    }
    FakeTarget one;
    uploadAll(one, {"/a"}, UploadKind::Upload);
    ASSERT_EQ(one.calls.size(), 1u);
    EXPECT_EQ(one.calls[0].applyToAll, ConflictChoice::kNotOffered);
    FakeTarget notYet;
    notYet.ready = false;
    uploadAll(notYet, {"/a"}, UploadKind::Upload);
    EXPECT_TRUE(notYet.calls.empty());
}

} // namespace
} // namespace varnix
