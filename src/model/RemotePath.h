#pragma once
// Remote paths as the server sees them: '/'-separated bytes. Joining,
// splitting, making absolute against the login folder, walking up, and the
// "identity/folder/name" text that names a remote file to the user. Every
// window, the queue, the engine's folder walks and the command-line client
// use these, so that they agree on every edge (trailing slashes, the root,
// an empty folder).

#include <string>
#include <string_view>
#include <vector>

namespace varnix {

// A remote path split into its folder and its last component.
struct RemotePath {
    std::string folder;
    std::string name;
};

inline bool isRelativeRemotePath(std::string_view path) { return path.empty() || path[0] != '/'; }

// folder + "/" + name with exactly one slash between them; an empty folder
// leaves the name as it is.
std::string joinRemotePath(std::string_view folder, std::string_view name);

// The absolute form of a path: relative paths ("", "." or "a/b") are taken
// against the login folder.
std::string absoluteRemotePath(const std::string& path, const std::string& loginFolder);

// "/pub/dir/" gives {"/pub", "dir"}, "/f" gives {"/", "f"}; a relative path
// is made absolute first.
RemotePath splitRemotePath(const std::string& path, const std::string& loginFolder);

// The folder above a path ("/a/b" gives "/a", "/a" gives "/"); the root and
// a bare name have none and give "".
std::string remoteParent(std::string_view path);

// The folder itself and every folder above it, root first: "/a/b" gives
// "/", "/a", "/a/b".
std::vector<std::string> remoteAncestors(std::string_view path);

// Where a link's target leads, as an absolute path: a relative target is
// taken against the link's folder, and "." and ".." are resolved by their
// text alone (the server may see it otherwise through further links).
std::string resolveRemoteLink(std::string_view folder, std::string_view target);

// True when path is folder itself or lies below it.
bool isWithinRemoteFolder(std::string_view path, std::string_view folder);

// "identity" + folder + "/" + name: "anonymous@host:21/pub/file.txt".
std::string remoteLocationText(std::string_view identity, std::string_view folder, std::string_view name);

} // namespace varnix
