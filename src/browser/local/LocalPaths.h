#pragma once
// Local file-system paths as bytes. The desktop itself has no path: it is
// the empty string wherever a folder is named.

#include "ftp/LocalPath.h"

#include <string>
#include <string_view>

namespace varnix {

// An absolute path with "." and ".." resolved by name, doubled and trailing
// slashes dropped; empty for a relative or empty path.
std::string normalPath(std::string_view path);
// "/a/b" -> "/a", "/a" -> "/", "/" -> "" (the desktop).
std::string parentPath(std::string_view path);
std::string lastComponent(std::string_view path);

// The folder a person typed into the path box: an absolute path, "~" or
// "~/..." below the home folder, a file: URL (as file managers copy them),
// or a path relative to `current`. Empty when the text cannot name a folder
// (relative text while the desktop is shown, a URL of another host).
std::string typedFolder(std::string_view text, const std::string& current, const std::string& home);
// "file:///a%20b" and "file:/a" -> "/a b", "/a"; empty for another host.
std::string fileUrlPath(std::string_view url);

bool isDirectory(const std::string& path);
// Where what lands on the desktop itself goes: the Desktop folder, or the
// home folder while there is none.
std::string desktopOrHome(std::string_view desktopFolder, const std::string& home);
bool pathExists(const std::string& path);

} // namespace varnix
