#pragma once
// The command line of varnix-cli and the command lines of its scripts.

#include "cli/CliClient.h"
#include "cli/SiteUrl.h"

#include <string>
#include <vector>

namespace varnix::cli {

extern const char* const kUsage;

struct Invocation {
    ClientOptions options;
    std::string profileFile;
    SiteUrl site;
    std::vector<std::string> command;   // {"-"} to read commands from standard input
};

// Throws UsageError for anything it cannot take.
Invocation parseInvocation(const std::vector<std::string>& args);

// Words separated by blanks; double quotes group words and a backslash
// escapes the next character, so names with spaces can be scripted.
std::vector<std::string> splitCommandLine(const std::string& line);

} // namespace varnix::cli
