#include "cli/CommandLine.h"

#include "net/CertificateCheck.h"
#include "settings/SettingsRecord.h"

#include <cstdlib>

namespace varnix::cli {

const char* const kUsage =
    "usage: varnix-cli [--set Name=Value]... [--trust FINGERPRINT]... [--log FILE] [--profile FILE]\n"
    "                  SITE-URL COMMAND [ARG...]\n"
    "       varnix-cli [options] SITE-URL -      (commands from standard input, one per line)\n"
    "SITE-URL: ftp://[user[:password]@]host[:port] or ftps://... (TLS from the first byte, port 990)\n"
    "--set Encryption=N: 0 plain FTP, 1 TLS when the server offers it (default), 2 TLS required,\n"
    "                    3 TLS from the first byte\n"
    "--set Verify=0: do not compare copies with the server's hashes (on by default where offered)\n"
    "--set SiteToSiteRoute=N: copy: 0 server to server, through Varnix when the servers refuse (default),\n"
    "                         1 server to server only, 2 always through Varnix\n"
    "--trust: accept a server certificate with this SHA-256 fingerprint (as openssl prints it)\n"
    "commands: ls [PATH] | get REMOTE LOCAL [--resume] | put LOCAL REMOTE [--resume]\n"
    "          getdir REMOTE LOCAL [--resume] [--newer] | putdir LOCAL REMOTE [--resume] [--newer]\n"
    "          mkdir PATH | rmdir PATH | rm PATH | mv PATH NEWNAME | chmod OCTAL PATH\n"
    "          chown USER:GROUP PATH | copy REMOTE SITE2-URL/PATH [--resume] [--newer]\n";

namespace {

std::pair<std::string, std::uint32_t> parseOverride(const std::string& text)
{
    std::size_t eq = text.find('=');
    std::string name = text.substr(0, eq);
    if (eq == std::string::npos || !SettingsRecord::byName(name))
        throw UsageError{"--set expects Name=Value with a numeric setting name, got " + text};
    std::string value = text.substr(eq + 1);
    char* end = nullptr;
    unsigned long long number = std::strtoull(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || number >= SettingsRecord::kUnset)
        throw UsageError{"--set " + name + ": not a number below 4294967295: " + value};
    if (name == SettingsRecord::name(Setting::Encryption) && number > std::uint32_t(EncryptionMode::Implicit))
        throw UsageError{"--set Encryption: 0, 1, 2 or 3, got " + value};
    if (name == SettingsRecord::name(Setting::SiteToSiteRoute) && number > std::uint32_t(SiteToSiteRoute::ThroughVarnix))
        throw UsageError{"--set SiteToSiteRoute: 0, 1 or 2, got " + value};
    return {name, std::uint32_t(number)};
}

std::string parseFingerprint(const std::string& text)
{
    std::string fingerprint = normalFingerprint(text);
    if (fingerprint.empty())
        throw UsageError{"--trust expects a SHA-256 fingerprint (32 hex pairs, colons optional), got " + text};
    return fingerprint;
}

const std::string& optionValue(const std::vector<std::string>& args, std::size_t& i)
{
    if (i + 1 >= args.size())
        throw UsageError{args[i] + " needs a value"};
    return args[++i];
}

} // namespace

Invocation parseInvocation(const std::vector<std::string>& args)
{
    Invocation invocation;
    std::size_t i = 0;
    for (; i < args.size() && args[i].starts_with("--"); ++i) {
        if (args[i] == "--set")
            invocation.options.overrides.push_back(parseOverride(optionValue(args, i)));
        else if (args[i] == "--log")
            invocation.options.logFile = optionValue(args, i);
        else if (args[i] == "--trust")
            invocation.options.trusted.push_back(parseFingerprint(optionValue(args, i)));
        else if (args[i] == "--profile")
            invocation.profileFile = optionValue(args, i);
        else
            throw UsageError{"unknown option " + args[i]};
    }
    if (i + 2 > args.size())
        throw UsageError{"a site URL and a command are required"};
    auto site = parseSiteUrl(args[i]);
    if (!site)
        throw UsageError{"not an ftp:// or ftps:// URL: " + args[i]};
    invocation.site = *site;
    invocation.command.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
    return invocation;
}

std::vector<std::string> splitCommandLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

} // namespace varnix::cli
