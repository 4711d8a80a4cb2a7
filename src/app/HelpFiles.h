#pragma once
// Where Help finds what it opens.

#include <string>
#include <string_view>
#include <vector>

namespace varnix {

class Profile;

// The User's Guide, best first: help/guide.html beside the program (a build
// tree), then in the installed data folder (bin/../share/varnix).
std::vector<std::string> guideCandidates(const std::string& programDir);

// The Online Support address: the profile's MainFrame/SupportAddress when
// set, else the built-in one.
std::string supportAddress(Profile& profile, std::string_view builtIn);

} // namespace varnix
