#pragma once
// The walk of a remote folder tree that a folder copy makes (folder
// downloads and site-to-site folder copies): which folders to copy, in
// which order, and what becomes of links to folders.
//
// Real folders go first, breadth-first, so every real folder arrives with
// its contents whatever order the server lists them in; links to folders
// wait until no real folder is left. A link that leads into a tree already
// being copied is not copied again (the copy decides what to make of it);
// one that leads elsewhere is followed once, as a tree of its own. Loops
// end because a link back into a tree is never followed.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace varnix {

class FtpProtocol;
class RemoteFile;

class FolderWalk {
public:
    // One folder to copy. The copy's path is copyParent joined with
    // copyName, or copyName alone when copyParent is empty.
    struct Folder {
        std::string parent;       // the remote folder that lists it
        std::string name;         // its name there
        std::string copyParent;   // local folder, or destination folder
        std::string copyName;
        // The remote path it stands for, worked out from names and link
        // targets alone: some servers (pyftpdlib) answer PWD inside a link
        // with the path through the link, which says nothing of where the
        // link leads. Empty until the folder's own PWD gives it.
        std::string logical = {};
        bool link = false;
    };

    explicit FolderWalk(FtpProtocol& engine) : engine_(engine) {}
    virtual ~FolderWalk() = default;
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    void run(Folder top);

protected:
    static std::string copyPath(const Folder& folder);

    // A folder whose contents follow; called before anything is listed.
    virtual void startFolder(const Folder& folder) = 0;
    // A file of the folder `remote`, which is being copied to `folder`.
    virtual void copyFile(const Folder& folder, const std::string& remote, const RemoteFile& entry) = 0;
    // A link whose folder is copied elsewhere in this copy: `target` is that
    // copy, relative to the folder that holds the link's copy.
    virtual void linkIntoCopy(const Folder& link, const std::string& target) = 0;

    FtpProtocol& engine_;

private:
    void walkFolder(Folder folder);
    void walkLink(Folder link);
    void copyContents(Folder& folder, const std::string& remote);
    void queueEntry(const Folder& folder, const std::string& remote, const RemoteFile& entry);
    // Where the copy of a remote path is, if a tree of this copy holds it.
    std::pair<bool, std::string> copyOf(const std::string& logical) const;

    std::deque<Folder> folders_;
    std::deque<Folder> links_;
    // The trees being copied (the top and each link followed): the remote
    // path each stands for, and its copy.
    std::vector<std::pair<std::string, std::string>> trees_;
    // Each folder listed so far, by the path the server gave it: the last
    // guard against copying one twice when its server names it two ways.
    std::map<std::string, std::string> copied_;
};

} // namespace varnix
