#pragma once
// Runs the built varnix-cli as a user would, capturing its output.

#include "support/ChildProcess.h"

#include <string>
#include <vector>

namespace varnix::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult runCli(const std::vector<std::string>& args, const std::string& input = {});

} // namespace varnix::test
