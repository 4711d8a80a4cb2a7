#pragma once
// What the remote window's rules (RemoteBrowser) ask of the world around
// them: the widgets that show the folder, the dialogs that ask the user,
// and the program that opens windows and runs transfers. The desktop window
// implements them with widgets; tests implement them with recorders.

#include "browser/remote/FileProperties.h"
#include "model/RemoteFolder.h"
#include "site/SiteContext.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varnix {

struct ConflictChoice;
struct ConnectFields;
class Profile;
class RemoteFile;
class TransferQueue;

// The rows selected in the file list, in ascending row order. The folder
// keeps the entries alive while a command works through them, even when a
// new listing replaces the shown one meanwhile (a dialog lets notices in).
struct RowSelection {
    FolderHandle folder;
    std::vector<const RemoteFile*> entries;
    bool placeholder = false;   // the new folder's row, which has no entry

    std::size_t rows() const { return entries.size() + (placeholder ? 1 : 0); }
};

class RemoteView {
public:
    virtual ~RemoteView() = default;
    virtual void showStatus(const std::string& text) = 0;
    // The folder's rows replace the list's (an empty handle empties it).
    virtual void showListing(const FolderHandle& folder) = 0;
    // New path box items: RemotePathBox places, ascending, to insert in order.
    virtual void addPathItems(const std::vector<std::size_t>& places) = 0;
    // Selects the path's item and puts the full path into the edit field.
    virtual void showPath(const std::string& path) = 0;
    // Label editing of the first selected row.
    virtual void startRename() = 0;
    // A "New Folder" row at the end of the list, its label being edited.
    virtual void startNewFolder() = 0;
    virtual void removePlaceholder() = 0;
    // What the commands' enabling rules answer may have changed.
    virtual void refreshCommands() = 0;
};

class BrowserDialogs {
public:
    virtual ~BrowserDialogs() = default;
    // Confirm Action about `destination`: true for OK, false for Cancel;
    // the choice holds the user's answer either way.
    virtual bool confirm(ConflictChoice& choice, const std::string& destination) = 0;
    // A file save dialog for a download: the new local path, or none.
    virtual std::optional<std::string> saveAs(const std::string& localPath) = 0;
    // The Rename dialog: the new name, or none.
    virtual std::optional<std::string> rename(const std::string& name) = 0;
    virtual std::optional<FileProperties> properties(const FileProperties& current) = 0;
    // The Login Prompt; true when the user confirmed new credentials.
    virtual bool login(const SiteHandle& site, const std::string& message) = 0;
    // The question before rows are deleted on the server: true to delete.
    // Sets `stopAsking` when the user ticked "Do not ask again".
    virtual bool confirmDelete(const std::string& question, bool& stopAsking) = 0;
};

class BrowserHost {
public:
    virtual ~BrowserHost() = default;
    // None while the program has no queue: transfers are then refused.
    virtual TransferQueue* queue() = 0;
    // Where the program keeps what the user chose once for good.
    virtual Profile& profile() = 0;
    // Where downloads land: the current local window's folder, or the Desktop.
    virtual std::string downloadFolder() = 0;
    // Replicate View: a new window with a site of its own for this login.
    virtual void openRemote(const ConnectFields& login, const std::string& path) = 0;
    virtual void openSiteSettings(const SiteHandle& site) = 0;
    virtual void bookmark(const SiteHandle& site, const std::string& path) = 0;
    // The window shows its first folder: the site's login worked, with the
    // user name and password it holds now (a Login Prompt may have changed
    // those typed before).
    virtual void loggedIn(const SiteHandle& site) { (void)site; }
};

} // namespace varnix
