#pragma once
// The local file operations a local window runs itself: naming and making a
// new folder, and renaming an entry without ever replacing another.

#include <functional>
#include <string>
#include <string_view>

namespace varnix {

// "New Folder", then "New Folder (2)", "New Folder (3)", ...: the first
// such name in `folder` for which `exists` says no, joined to the folder.
// Empty when every name up to a generous limit is taken.
std::string newFolderPath(const std::string& folder, const std::function<bool(const std::string&)>& exists);
std::string newFolderName(unsigned attempt);

// errno of the failure, 0 on success.
int makeFolder(const std::string& path);

// Why `name` cannot be an entry's new name, or empty when it can.
std::string nameProblem(std::string_view name);

// Renames `from` to `to` in the same folder; a name already taken fails
// with EEXIST rather than replacing what has it. errno, or 0.
int renameEntry(const std::string& from, const std::string& to);

} // namespace varnix
