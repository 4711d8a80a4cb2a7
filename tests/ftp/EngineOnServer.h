#pragma once
// An engine logged in to a real server that serves a temporary tree, with a
// second tree for the local side, for the listing and transfer tests.
// Header-only, like EngineHarness.

#include "EngineFixtures.h"

#include <algorithm>
#include <string>
#include <vector>

namespace varnix::test {

class EngineOnServer : public EngineOnRealServer {
protected:
    // Starts the server and connects (time-outs generous: nothing is staged).
    void start(ServerOptions options = {})
    {
        EngineOnRealServer::start(options);
        h->set(Setting::RecvTimeout, 5);
        h->set(Setting::SendTimeout, 5);
        engine().Connect();
    }

    RecordingTarget& target() { return h->target; }
    // The server's command log from a mark() on.
    std::vector<std::string> since(std::size_t mark) const { return commandsSince(mark); }
    FolderHandle cached(const std::string& path) const { return LockedAccess<SiteContext>(h->site)->lookUpFolder(path); }
    std::vector<std::string> statusTexts() const { return h->target.texts(NoticeStatus); }

    TempTree local{"varnix-local"};
};

inline std::size_t countOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

inline std::string serverName(const ::testing::TestParamInfo<ServerKind>& info)
{
    return kindName(info.param);
}

#define VARNIX_ON_BOTH_SERVERS(Fixture)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Servers, Fixture,                                                            \
                             ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd), serverName)

} // namespace varnix::test
