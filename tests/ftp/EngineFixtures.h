#pragma once
// Engines wired to a peer for the control-connection, login and
// data-connection tests: a scripted server for exact sequences, a real one
// (pyftpdlib or vsftpd) for the behaviour that real servers show. Both use
// short time-outs so that a staged failure stays quick.

#include "support/EngineHarness.h"
#include "support/FtpServer.h"
#include "support/ScriptedServer.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace varnix::test {

// The replies of a plain login: greeting, USER, PASS, TYPE I, and FEAT
// refused, as by a server that predates it.
inline ScriptedServer& scriptPlainLogin(ScriptedServer& s)
{
    return s.greet("220 ready").reply("331 password please").reply("230 logged in").reply("200 binary").reply(
        "500 FEAT not understood");
}

inline void useShortTimeouts(EngineHarness& h)
{
    h.set(Setting::RecvTimeout, 2);
    h.set(Setting::SendTimeout, 2);
}

struct EngineOnScript {
    explicit EngineOnScript(ScriptedServer& s, const std::string& user = {}, const std::string& password = {})
        : server(s), h(s.host(), s.port(), user, password)
    {
        useShortTimeouts(h);
        h.set(Setting::PasvMode, 1);
        // The script speaks plain FTP; its sequences begin with USER.
        h.set(Setting::Encryption, 0);
    }

    FtpProtocol& engine() { return h.engine; }
    // The commands the server has seen after USER, PASS, TYPE I and FEAT.
    std::vector<std::string> afterLogin() const
    {
        auto all = server.commands();
        return {all.begin() + std::min<std::ptrdiff_t>(4, std::ssize(all)), all.end()};
    }

    ScriptedServer& server;
    EngineHarness h;
};

// A real server serving a temporary tree, and an engine for it (not yet
// connected). Parameterised by the kind of server.
class EngineOnRealServer : public ::testing::TestWithParam<ServerKind> {
protected:
    void start(ServerOptions options = {}, const std::string& user = {}, const std::string& password = {})
    {
        server = std::make_unique<FtpServer>(GetParam(), tree.root(), options);
        h = std::make_unique<EngineHarness>(server->host(), server->port(), user, password);
        useShortTimeouts(*h);
    }

    FtpProtocol& engine() { return h->engine; }
    std::string remote(const std::string& rel = {}) const { return server->remotePath(rel); }
    std::vector<std::string> commandsSince(std::size_t mark) const
    {
        auto log = server->commandLog();
        return {log.begin() + static_cast<std::ptrdiff_t>(std::min(mark, log.size())), log.end()};
    }
    std::size_t mark() const { return server->commandLog().size(); }

    TempTree tree{"varnix-engine"};
    std::unique_ptr<FtpServer> server;
    std::unique_ptr<EngineHarness> h;
};

inline std::string nameOfKind(const ::testing::TestParamInfo<ServerKind>& info)
{
    return kindName(info.param);
}

inline bool containsLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace varnix::test
