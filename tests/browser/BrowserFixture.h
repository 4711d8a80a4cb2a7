#pragma once
// The remote window's rules as the tests drive them: recording fakes of the
// view, the dialogs (answering from a script) and the program around the
// window, a queue that only records its rows, and a site on loopback port 1,
// where a session made by mistake fails at once.

#include "browser/remote/RemoteBrowser.h"

#include "model/RemoteFolder.h"
#include "platform/MainLoopDispatcher.h"
#include "platform/Profile.h"
#include "queue/ConflictChoice.h"
#include "queue/QueueHarness.h"
#include "session/CFTPSession.h"
#include "settings/ConnectHistory.h"
#include "site/LoginRegistry.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace varnix::test {

class RecordingView : public RemoteView {
public:
    void showStatus(const std::string& text) override { status = text; }
    void showListing(const FolderHandle& folder) override { shown = folder; }
    void addPathItems(const std::vector<std::size_t>&) override {}
    void showPath(const std::string& text) override { path = text; }
    void startRename() override {}
    void startNewFolder() override {}
    void removePlaceholder() override {}
    void refreshCommands() override {}

    std::string status = "Ready";
    std::string path;
    FolderHandle shown;
};

using Click = void (ConflictChoice::*)();

// What the user does in one Confirm Action dialog: the clicks, then OK or Cancel.
struct Answer {
    std::vector<Click> clicks;
    bool ok = true;
};

class ScriptedDialogs : public BrowserDialogs {
public:
    bool confirm(ConflictChoice& choice, const std::string& destination) override
    {
        asked.push_back(destination);
        offered.push_back(choice.applyToAll);
        if (answers.empty()) {
            ADD_FAILURE() << "not expected to ask about " << destination;
            return false;
        }
        Answer answer = answers.front();
        answers.pop_front();
        for (Click click : answer.clicks)
            (choice.*click)();
        if (!answer.ok)
            choice.skip = 1;
        return answer.ok;
    }
    std::optional<std::string> saveAs(const std::string& path) override { return nextName(path); }
    std::optional<std::string> rename(const std::string& name) override { return nextName(name); }
    std::optional<FileProperties> properties(const FileProperties&) override { return std::nullopt; }
    bool login(const SiteHandle&, const std::string&) override
    {
        ++logins;
        return confirmLogin;
    }
    bool confirmDelete(const std::string& question, bool&) override
    {
        questions.push_back(question);
        return confirmDeletes;
    }

    std::deque<Answer> answers;
    std::deque<std::string> names;  // "" cancels the dialog
    std::vector<std::string> asked;
    std::vector<int> offered;
    std::vector<std::string> renamed;
    int logins = 0;
    bool confirmLogin = false;
    std::vector<std::string> questions;
    bool confirmDeletes = true;

private:
    std::optional<std::string> nextName(const std::string& current)
    {
        renamed.push_back(current);
        std::string name = names.empty() ? std::string() : names.front();
        if (!names.empty())
            names.pop_front();
        return name.empty() ? std::nullopt : std::optional(name);
    }
};

class FakeHost : public BrowserHost {
public:
    explicit FakeHost(TransferQueue& q) : q_(q) {}
    TransferQueue* queue() override { return &q_; }
    Profile& profile() override { return settings; }
    std::string downloadFolder() override { return folder; }
    void openRemote(const ConnectFields& login, const std::string& path) override
    {
        opened.push_back(login.user + "@" + login.host + ":" + login.port + " " + path);
    }
    void openSiteSettings(const SiteHandle&) override {}
    void bookmark(const SiteHandle&, const std::string&) override {}

    std::string folder;
    std::vector<std::string> opened;
    MemoryProfile settings;

private:
    TransferQueue& q_;
};

// A folder of plain lines: "d name" for a folder, "- name" for a file,
// all dated 5 January 2020, 12:00.
inline FolderHandle listed(std::initializer_list<const char*> entries)
{
    FolderHandle folder = makeShared<RemoteFolder>();
    for (std::string entry : entries) {
        std::string line = entry.substr(0, 1) + "rw-r--r-- 1 o g 10 Jan 5 12:00 " + entry.substr(2);
        folder->append(RemoteFile::parse(line, 2020));
    }
    folder->buildIcons();
    return folder;
}

class BrowserFixture : public ::testing::Test {
protected:
    BrowserFixture()
    {
        // Port 1 on loopback refuses: a session made here fails at once.
        site = makeLocked<SiteContext>("127.0.0.1", "1", "ann", "pw", registry, profile, global);
        host.folder = local.root().string();
    }
    ~BrowserFixture() override
    {
        browsers.clear();
        queue.reset();
        EXPECT_TRUE(dispatcher.runUntil([] { return CFTPSession::liveSessions() == 0; }, std::chrono::seconds(20)));
    }

    void cache(const std::string& path, FolderHandle folder)
    {
        LockedAccess<SiteContext>(site)->storeFolder(path, std::move(folder));
    }
    RemoteBrowser& open(const std::string& path, SiteHandle on = {})
    {
        browsers.push_back(std::make_unique<RemoteBrowser>(on ? on : site, path, view, dialogs, host));
        browsers.back()->open();
        return *browsers.back();
    }
    RowSelection select(RemoteBrowser& browser, std::initializer_list<const char*> names)
    {
        RowSelection rows;
        rows.folder = browser.shownFolder();
        for (const char* name : names)
            rows.entries.push_back(rows.folder->find(name));
        return rows;
    }
    // Each queued item: its destination as a name relative to where it
    // lands, with " resume" and " newer" for its flags.
    std::vector<std::string> queuedItems() const
    {
        std::vector<std::string> out;
        const std::string prefix = local.root().string() + "/";
        for (const QueueItemHandle& item : queue->items()) {
            std::string target = item->targetName;
            if (target.starts_with(prefix))
                target.erase(0, prefix.size());
            out.push_back(target + (item->resume ? " resume" : "") + (item->onlyNewer ? " newer" : ""));
        }
        return out;
    }

    MainLoopDispatcher dispatcher;
    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
    SiteHandle site;
    TempTree local{"varnix-browser"};
    RecordingRows rows;
    RemoteWindowList windows;
    std::unique_ptr<TransferQueue> queue = std::make_unique<TransferQueue>(rows, windows, nullptr);
    RecordingView view;
    ScriptedDialogs dialogs;
    FakeHost host{*queue};
    std::vector<std::unique_ptr<RemoteBrowser>> browsers;
};

} // namespace varnix::test
