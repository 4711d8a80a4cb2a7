#pragma once
// Certificates for the TLS fixtures, made with the openssl program: a
// self-signed one (what most test and small servers show), or a small
// authority and a certificate it signs, for the trusted case (point
// SSL_CERT_FILE at the authority).

#include <filesystem>
#include <string>

namespace varnix::test {

struct TestCertificate {
    std::filesystem::path certificate; // PEM
    std::filesystem::path key;         // PEM
    std::filesystem::path combined;    // certificate and key in one file (pyftpdlib)
    std::string fingerprint;           // SHA-256, "AB:CD:..." as openssl prints it
};

// In `folder`, files named after `name`. `host` goes into the common name
// and the subject's alternative names (an address or a DNS name).
TestCertificate makeSelfSigned(const std::filesystem::path& folder, const std::string& name,
                               const std::string& host = "127.0.0.1");
TestCertificate makeAuthority(const std::filesystem::path& folder, const std::string& name);
TestCertificate makeSignedBy(const TestCertificate& authority, const std::filesystem::path& folder,
                             const std::string& name, const std::string& host);

} // namespace varnix::test
