#include "browser/local/LocalBrowser.h"

#include "browser/UploadTarget.h"
#include "browser/Workspace.h"
#include "browser/dnd/Drops.h"
#include "browser/local/DesktopNamespace.h"
#include "browser/local/FolderWatcher.h"
#include "browser/local/LocalCopy.h"
#include "browser/local/LocalFileOps.h"
#include "browser/local/LocalPaths.h"

#include <cerrno>
#include <cstring>

namespace varnix {
namespace {

std::string errorText(int error)
{
    return std::strerror(error);
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\n\r\f\v";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace

std::string LocalBrowser::startFolder(const std::optional<std::string>& chosen, const std::string& saved)
{
    std::string path = normalPath(chosen.value_or(saved));
    return isDirectory(path) ? path : std::string();
}

LocalBrowser::LocalBrowser(FolderWatcher& watcher, LocalView& view, LocalDesktop& desktop, Workspace& workspace,
                           std::string start)
    : watcher_(watcher), view_(view), desktop_(desktop), workspace_(workspace), history_(watcher, std::move(start))
{
    uploadWatch_ = workspace_.watchUploadTarget([this] { view_.refreshCommands(); });
}

LocalBrowser::~LocalBrowser()
{
    workspace_.unwatchUploadTarget(uploadWatch_);
}

std::string LocalBrowser::targetFolder() const
{
    if (!currentFolder().empty())
        return currentFolder();
    return desktopOrHome(desktop_.desktopFolder(), desktop_.homeFolder());
}

std::string LocalBrowser::title() const
{
    if (int node = tree_.find(currentFolder()); node >= 0)
        return tree_.nodes[std::size_t(node)].name;
    return currentFolder().empty() ? std::string(DesktopNamespace::kDesktopName) : lastComponent(currentFolder());
}

std::string LocalBrowser::shownText() const
{
    return currentFolder().empty() ? title() : currentFolder();
}

LocalCommands LocalBrowser::commands() const
{
    LocalState state;
    state.selected = selected_;
    state.atDesktop = history_.atDesktop();
    state.history = history_.historySize();
    state.refreshPending = watcher_.refreshPending();
    UploadTarget* target = uploadTarget();
    state.uploadTarget = target && target->canUpload();
    return LocalCommands::from(state);
}

void LocalBrowser::selectionChanged(std::size_t selected)
{
    selected_ = selected;
    view_.refreshCommands();
}

UploadTarget* LocalBrowser::uploadTarget() const
{
    return dynamic_cast<UploadTarget*>(workspace_.currentRemote());
}

// Inside a hand-over, while the watcher waits. What was built for a folder
// the window has already left is passed over; the new one's is on its way.
// While rows go to the trash the list keeps them until they are removed.
void LocalBrowser::take(int what)
{
    if (what & FolderWatcher::kTreeChanged) {
        const FolderTree& tree = watcher_.tree();
        if (tree.current >= 0 && tree.nodes[std::size_t(tree.current)].folder == currentFolder()) {
            tree_ = tree;
            view_.showTree(tree_);
        }
    }
    if ((what & FolderWatcher::kContentsChanged) && !deleting_ && watcher_.contents() &&
        watcher_.contents()->folder == currentFolder()) {
        contents_ = watcher_.contents();
        showContents();
    }
    view_.refreshCommands();
}

// A folder that cannot be read is told of once, when the window arrives in it.
void LocalBrowser::showContents()
{
    bool arrived = listed_ != contents_->folder;
    listed_ = contents_->folder;
    view_.showContents(*contents_);
    if (arrived && contents_->error != 0)
        desktop_.warn({"Cannot read " + contents_->folder + ": " + errorText(contents_->error) + ".", {}, true});
    std::string created = history_.takeNewFolder(*contents_);
    if (!created.empty())
        view_.editName(created);
}

void LocalBrowser::navigated()
{
    view_.showFolder();
    view_.refreshCommands();
}

void LocalBrowser::goTo(const std::string& folder)
{
    history_.goTo(folder);
    navigated();
}

void LocalBrowser::goBack()
{
    history_.goBack();
    navigated();
}

void LocalBrowser::goUp()
{
    history_.goUp(tree_);
    navigated();
}

void LocalBrowser::enterTyped(std::string_view text)
{
    if (!history_.enterTyped(text, shownText(), desktop_.homeFolder())) {
        desktop_.warn({"There is no folder \"" + std::string(trimmed(text)) + "\".", {}, false});
        return;
    }
    navigated();
}

void LocalBrowser::refresh()
{
    if (!commands().refresh)
        return;
    watcher_.refresh();
    view_.refreshCommands();
}

void LocalBrowser::activate(const std::vector<LocalItem>& rows)
{
    if (rows.size() == 1 && rows.front().isFolder) {
        goTo(rows.front().path);
        return;
    }
    std::vector<std::string> paths;
    for (const LocalItem& row : rows)
        paths.push_back(row.path);
    upload(UploadKind::Transfer, paths);
}

void LocalBrowser::upload(UploadKind kind, const std::vector<std::string>& paths)
{
    if (UploadTarget* target = uploadTarget())
        uploadAll(*target, paths, kind);
}

void LocalBrowser::open(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        if (!desktop_.openExternally(path))
            desktop_.warn({"No program could open " + path + ".", {}, false});
}

// The watcher is told to ignore the folder's changes while the items go,
// so the list is not rebuilt between the trash and the rows' removal.
void LocalBrowser::trash(const std::vector<std::string>& paths)
{
    if (paths.empty() || !commands().remove)
        return;
    std::string question = paths.size() == 1 ? "Move \"" + lastComponent(paths.front()) + "\" to the trash?"
                                             : "Move these " + std::to_string(paths.size()) + " items to the trash?";
    if (!desktop_.confirm(question))
        return;
    deleting_ = true;
    watcher_.setIgnoreChanges(true);
    std::vector<std::string> trashed;
    std::string failures;
    for (const std::string& path : paths) {
        std::string why;
        if (desktop_.moveToTrash(path, why))
            trashed.push_back(path);
        else
            failures += "\n" + lastComponent(path) + ": " + why;
    }
    view_.removeRows(trashed);
    watcher_.setIgnoreChanges(false);
    deleting_ = false;
    if (!failures.empty())
        desktop_.warn({"Not moved to the trash:" + failures, {}, false});
}

// Called while the name's editor closes; a failure is told once it has.
bool LocalBrowser::rename(const LocalItem& item, const std::string& newName)
{
    std::string failure = nameProblem(newName);
    if (failure.empty())
        if (int error = renameEntry(item.path, joinPath(parentPath(item.path), newName)); error != 0)
            failure = "Could not rename " + item.name + " to " + newName + ": " + errorText(error) + ".";
    if (!failure.empty())
        desktop_.warn({failure, {}, true});
    return failure.empty();
}

void LocalBrowser::createFolder()
{
    if (!commands().newFolder)
        return;
    std::string path = newFolderPath(currentFolder(), pathExists);
    int error = path.empty() ? EEXIST : makeFolder(path);
    if (error != 0) {
        desktop_.warn({"Failed to create new directory", errorText(error), false});
        return;
    }
    history_.expectNewFolder(path);
}

void LocalBrowser::drop(const DropData& data, bool move)
{
    DropPlan plan = planLocalDrop(data);
    if (plan.kind == DropKind::RemoteRows) {
        downloadDropped(plan, targetFolder(), move);
        return;
    }
    if (plan.kind != DropKind::Files)
        return;
    CopyPlan copy = planCopy(plan.files, targetFolder(), desktop_.clashQuestion());
    if (copy.cancelled || (copy.items.empty() && copy.refused.empty()))
        return;
    desktop_.copy(std::move(copy));
}

} // namespace varnix
