// varnix-cli [--set Name=Value]... [--log FILE] [--profile FILE] SITE-URL COMMAND [ARG...]
// varnix-cli [options] SITE-URL -     (commands from standard input, one per line)

#include "cli/CliClient.h"
#include "cli/CommandLine.h"
#include "platform/qt/QSettingsProfile.h"
#include "settings/SettingsRecord.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

using namespace varnix;
using namespace varnix::cli;

namespace {

int runScript(CliClient& client)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::vector<std::string> words = splitCommandLine(line);
        if (words.empty() || words[0].starts_with("#"))
            continue;
        if (int status = client.runCommand(words))
            return status;
    }
    return 0;
}

int run(const Invocation& invocation)
{
    std::unique_ptr<QSettingsProfile> profile = invocation.profileFile.empty()
        ? std::make_unique<QSettingsProfile>()
        : std::make_unique<QSettingsProfile>(invocation.profileFile);
    setAppProfile(profile.get());
    SettingsRecord::global().load(*profile);
    for (const auto& [name, value] : invocation.options.overrides)
        SettingsRecord::global().set(*SettingsRecord::byName(name), value);

    int status;
    {
        CliClient client(invocation.site, invocation.options);
        status = invocation.command.size() == 1 && invocation.command[0] == "-" ? runScript(client)
                                                                                : client.runCommand(invocation.command);
    }
    setAppProfile(nullptr);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // Without TZ the C library re-reads the zone file on every time conversion.
    setenv("TZ", ":/etc/localtime", 0);
    try {
        return run(parseInvocation(std::vector<std::string>(argv + 1, argv + argc)));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "varnix-cli: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
}
