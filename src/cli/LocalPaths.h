#pragma once
// The local side of a transfer command, checked before anything is sent:
// a source that cannot be read or a destination that cannot be written
// fails the command at once, instead of costing a connection and a round of
// retries that cannot help.

#include <string>

namespace varnix::cli {

// Each returns why the path cannot serve, as a line for the user, or an
// empty string when it can.
std::string unreadableFile(const std::string& path);    // put's source
std::string unreadableFolder(const std::string& path);  // putdir's source
std::string unwritableFile(const std::string& path);    // get's destination
std::string unwritableFolder(const std::string& path);  // getdir's destination

} // namespace varnix::cli
