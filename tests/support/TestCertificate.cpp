#include "support/TestCertificate.h"

#include "support/ChildProcess.h"

#include <arpa/inet.h>

#include <fstream>
#include <stdexcept>

namespace varnix::test {
namespace fs = std::filesystem;

namespace {

const char* const kOpenssl = "/usr/bin/openssl";

// Runs openssl and gives back what it printed.
std::string run(std::vector<std::string> argv, const fs::path& folder)
{
    argv.insert(argv.begin(), kOpenssl);
    const fs::path out = folder / "openssl.out";
    if (runProgram(argv, out, out) != 0)
        throw std::runtime_error("openssl failed: " + readFileText(out));
    return readFileText(out);
}

void writeText(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string altName(const std::string& host)
{
    in_addr address{};
    return (inet_pton(AF_INET, host.c_str(), &address) == 1 ? "IP:" : "DNS:") + host;
}

// A new key and, signed by that key, a certificate (-x509) or a request
// written to `out`. EC keys: quick to make, so every test can have
// certificates of its own.
TestCertificate withNewKey(const fs::path& folder, const std::string& name, const fs::path& out,
                           std::vector<std::string> argv)
{
    TestCertificate c{folder / (name + ".crt"), folder / (name + ".key"), folder / (name + ".pem"), {}};
    argv.insert(argv.begin(), {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                               c.key.string(), "-out", (out.empty() ? c.certificate : out).string()});
    run(argv, folder);
    return c;
}

TestCertificate finish(TestCertificate c, const fs::path& folder)
{
    const std::string text = run({"x509", "-noout", "-fingerprint", "-sha256", "-in", c.certificate.string()}, folder);
    const auto eq = text.find('=');
    c.fingerprint = text.substr(eq + 1, text.find_first_of("\r\n", eq) - eq - 1);
    writeText(c.combined, readFileText(c.certificate) + readFileText(c.key));
    return c;
}

} // namespace

TestCertificate makeSelfSigned(const fs::path& folder, const std::string& name, const std::string& host)
{
    TestCertificate c = withNewKey(folder, name, {}, {"-x509", "-days", "2", "-subj", "/CN=" + host + "/O=Varnix tests",
                                                      "-addext", "subjectAltName=" + altName(host)});
    return finish(c, folder);
}

TestCertificate makeAuthority(const fs::path& folder, const std::string& name)
{
    TestCertificate c = withNewKey(folder, name, {}, {"-x509", "-days", "2", "-subj", "/CN=Varnix test authority",
                                                      "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                                                      "keyUsage=critical,keyCertSign,cRLSign"});
    return finish(c, folder);
}

TestCertificate makeSignedBy(const TestCertificate& authority, const fs::path& folder, const std::string& name,
                             const std::string& host)
{
    const fs::path csr = folder / (name + ".csr");
    TestCertificate c = withNewKey(folder, name, csr, {"-new", "-subj", "/CN=" + host});
    const fs::path extensions = folder / (name + ".ext");
    writeText(extensions, "subjectAltName=" + altName(host) + "\n");
    run({"x509", "-req", "-in", csr.string(), "-CA", authority.certificate.string(), "-CAkey", authority.key.string(),
         "-CAcreateserial", "-out", c.certificate.string(), "-days", "2", "-extfile", extensions.string()},
        folder);
    return finish(c, folder);
}

} // namespace varnix::test
