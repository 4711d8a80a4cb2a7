// Site URLs, remote paths and script lines come from the user's command line
// and scripts. The whole input is tried as a URL, as an argument vector
// (NUL-separated) and as a script line; its first two NUL-separated parts
// as a remote path and a login folder.

#include "cli/CommandLine.h"
#include "cli/SiteUrl.h"
#include "model/RemotePath.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace varnix;
using namespace varnix::cli;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string> splitAtNul(std::string_view input)
{
    std::vector<std::string> parts;
    for (;;) {
        std::size_t nul = input.find('\0');
        parts.emplace_back(input.substr(0, nul));
        if (nul == std::string_view::npos)
            return parts;
        input.remove_prefix(nul + 1);
    }
}

void checkUrl(std::string_view text)
{
    std::optional<SiteUrl> url = parseSiteUrl(text);
    if (!url)
        return;
    require(!url->host.empty());
    require(!url->port.empty() && url->port.size() <= 5 &&
            std::all_of(url->port.begin(), url->port.end(), [](char c) { return c >= '0' && c <= '9'; }));
    require(std::stoul(url->port) <= 65535);
}

void checkDecode(std::string_view text)
{
    std::optional<std::string> decoded = percentDecode(text);
    if (decoded)
        require(decoded->size() <= text.size());
    else
        require(text.find('%') != std::string_view::npos);
}

void checkRemotePath(const std::string& path, const std::string& loginFolder)
{
    std::string absolute = absoluteRemotePath(path, loginFolder);
    if (!loginFolder.empty() && loginFolder[0] == '/')
        require(!isRelativeRemotePath(absolute));
    RemotePath split = splitRemotePath(path, loginFolder);
    require(split.name.find('/') == std::string::npos);
}

void checkInvocation(const std::vector<std::string>& args)
{
    try {
        Invocation invocation = parseInvocation(args);
        require(!invocation.site.host.empty() && !invocation.command.empty());
    } catch (const UsageError& error) {
        require(!error.message.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    checkUrl(input);
    checkDecode(input);
    std::vector<std::string> parts = splitAtNul(input);
    checkRemotePath(parts[0], parts.size() > 1 ? parts[1] : std::string("/"));
    checkInvocation(parts);
    for (const std::string& word : splitCommandLine(std::string(input)))
        require(word.size() <= size);
    return 0;
}
