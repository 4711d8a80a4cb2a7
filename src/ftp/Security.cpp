// TLS: securing the control connection (AUTH TLS, or from the first byte),
// the certificate check, protected data connections (PBSZ, PROT), and the
// TLS client's part a destination server takes in a copy between two
// encrypted sites (CPSV, or SSCN ON before PASV).

#include "ftp/FtpProtocol.h"

#include "ftp/PlainFtpCheck.h"
#include "ftp/ReplyParsing.h"

namespace varnix {
namespace {

// The reply's first line without its line end, for a message of our own.
std::string firstLine(const std::string& reply)
{
    return reply.substr(0, reply.find_first_of("\r\n"));
}

} // namespace

void FtpProtocol::negotiateTls(EncryptionMode mode, const std::string& host, const std::string& identity)
{
    SendCommand("AUTH TLS");
    try {
        ReadReply("2");
    } catch (const CFTPException& refused) {
        if (!IsConnected())
            throw;
        // Nothing secret has been sent yet: the user name comes next.
        if (mode == EncryptionMode::ExplicitRequired)
            throw CFTPException("The server refused TLS, which this site requires: " + firstLine(refused.message));
        Status(kPlainFtpWarning);
        if (PlainFtpCheck* check = installedPlainFtpCheck(); check && !check->allow(identity))
            refusePlainFtp();
        return;
    }
    secureControl(host, identity);
}

void FtpProtocol::refusePlainFtp()
{
    try {
        Quit();
    } catch (const CException&) {
    }
    throw CFTPException("The server does not offer TLS, and plain FTP was refused: no user name or password "
                        "was sent");
}

void FtpProtocol::secureControl(const std::string& host, const std::string& identity)
{
    Status("Negotiating TLS...");
    control_.StartTls(host);
    const TlsStream& tls = *control_.Tls();
    if (!tls.trusted()) {
        CertificateInfo certificate = tls.peerCertificate();
        CertificateCheck* check = installedCertificateCheck();
        CertificateVerdict verdict =
            check ? check->check(identity, certificate) : CertificateVerdict{false, refusalText(identity, certificate)};
        if (!verdict.accepted)
            throw CFTPException(verdict.refusal);
    }
    Status("Connection secured: " + tls.description());
}

void FtpProtocol::protectData()
{
    SendCommand("PBSZ 0");
    ReadReply("2");
    SendCommand("PROT P");
    ReadReply("2");
}

// CPSV answers like PASV, with an IPv4 address; over IPv6 only SSCN with
// EPSV can give the destination the TLS client's part.
PassiveAddress FtpProtocol::openSecureSitePassive(bool extended)
{
    static const char* const kNeither = "Site-to-site copies over TLS need a destination server that supports CPSV "
                                        "or SSCN; this one supports neither";
    const bool probing = siteTlsCommand_ == SiteTlsCommand::Untried;
    if (!extended && (probing || siteTlsCommand_ == SiteTlsCommand::Cpsv)) {
        SendCommand("CPSV");
        try {
            PassiveAddress address = parsePassiveReply(ReadReply("2"));
            siteTlsCommand_ = SiteTlsCommand::Cpsv;
            return address;
        } catch (const CFTPException&) {
            // A server that took CPSV before and refuses it now means it.
            if (!IsConnected() || !probing)
                throw;
        }
    }
    if (siteTlsCommand_ == SiteTlsCommand::None)
        throw CFTPException(kNeither);
    if (!tlsClientRole_) {
        SendCommand("SSCN ON");
        try {
            ReadReply("2");
        } catch (const CFTPException&) {
            if (!IsConnected() || !probing)
                throw;
            siteTlsCommand_ = SiteTlsCommand::None;
            throw CFTPException(kNeither);
        }
        siteTlsCommand_ = SiteTlsCommand::Sscn;
        tlsClientRole_ = true;
    }
    return openSitePassive(extended);
}

// Our own data connections need the server back in its usual part.
void FtpProtocol::leaveTlsClientRole()
{
    if (!tlsClientRole_)
        return;
    SendCommand("SSCN OFF");
    ReadReply("2");
    tlsClientRole_ = false;
}

} // namespace varnix
