#include "app/HelpFiles.h"

#include "platform/Profile.h"

namespace varnix {

std::vector<std::string> guideCandidates(const std::string& programDir)
{
    std::string dir = programDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return {dir + "/help/guide.html", dir + "/../share/varnix/help/guide.html"};
}

std::string supportAddress(Profile& profile, std::string_view builtIn)
{
    std::string address = profile.readString("MainFrame", "SupportAddress", "");
    return address.empty() ? std::string(builtIn) : address;
}

} // namespace varnix
