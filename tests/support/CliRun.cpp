#include "support/CliRun.h"

#include "support/TempTree.h"

namespace varnix::test {

CliResult runCli(const std::vector<std::string>& args, const std::string& input)
{
    TempTree io("varnix-cli-run");
    io.write("in", input);
    io.write("profile.conf", "");
    // Standard input comes from a file; the profile is a private one.
    std::vector<std::string> argv{"/bin/sh", "-c", "exec \"$0\" \"$@\" < \"$VARNIX_CLI_INPUT\"",
                                  VARNIX_BINARY_DIR "/src/cli/varnix-cli", "--profile",
                                  io.path("profile.conf").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    setenv("VARNIX_CLI_INPUT", io.path("in").c_str(), 1);
    CliResult result;
    result.status = runProgram(argv, io.path("out"), io.path("err"), std::chrono::seconds(60));
    result.out = readFileText(io.path("out"));
    result.err = readFileText(io.path("err"));
    return result;
}

} // namespace varnix::test
