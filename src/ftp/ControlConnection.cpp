// The control connection: command lines out, reply lines in, reply codes
// checked against digit sets, and the repair after a user's abort.

#include "ftp/FtpProtocol.h"

#include <cerrno>
#include <cstdio>

namespace varnix {

namespace {

// A reply of more than this many bytes in all (a multi-line reply that never
// closes) is a broken or hostile server, not a welcome message.
constexpr std::size_t kMaxReply = 1024 * 1024;

constexpr unsigned char kTelnetIac = 0xFF;
constexpr unsigned char kTelnetInterruptProcess = 0xF4;
constexpr unsigned char kTelnetDataMark = 0xF2;

bool inSet(std::string_view set, char c)
{
    return set.find(c) != std::string_view::npos;
}

// Closes a multi-line reply: the reply's own three digits and a space.
bool closesReply(const std::string& line, const std::string& reply)
{
    return line.size() >= 4 && line.compare(0, 3, reply, 0, 3) == 0 && line[3] == ' ';
}

std::string formatBytes(const char* format, unsigned char a, unsigned char b = 0, unsigned char c = 0)
{
    char bytes[4] = {};
    int n = std::snprintf(bytes, sizeof bytes, format, a, b, c);
    return std::string(bytes, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace

FtpProtocol::FtpProtocol(SessionMailbox* mailbox, SiteHandle site)
    : mailbox_(mailbox), site_(std::move(site)), control_(site_), data_(site_)
{
    if (!mailbox_)
        return;
    auto sendHeld = [this] { mailbox_->flushUpdates(); };
    control_.SetBeforeWait(sendHeld);
    data_.SetBeforeWait(sendHeld);
}

FtpProtocol::~FtpProtocol()
{
    data_.Close();
    closeControl();
}

void FtpProtocol::SendCommand(const std::string& command)
{
    // A line break inside a name would smuggle a second command to the server.
    if (command.find_first_of("\r\n", 0, 3) != std::string::npos)
        throw CFTPException("Refusing to send a command that contains a line break");
    const std::string line = command + "\r\n";
    replyPending_ = true;
    sending_ = true;
    try {
        control_.SendString(line);
    } catch (const CNetException&) {
        closeControl();
        throw;
    }
    mailbox_->appendLog("> ", line);
    sending_ = false;
}

std::string FtpProtocol::ReadLine()
{
    readingLine_ = true;
    std::string line;
    try {
        line = control_.ReadLine();
    } catch (const CAbortException&) {
        throw;
    } catch (const CException&) {
        closeControl();
        throw;
    }
    if (line.empty()) {
        closeControl();
        throw CNetException(ECONNRESET, "Connection closed by server");
    }
    mailbox_->appendLog("< ", line);
    // A line cut short by the end of the stream is still handed on, but
    // nothing more will come on this connection.
    if (line.back() != '\n')
        closeControl();
    readingLine_ = false;
    replyPending_ = false;
    return line;
}

std::string FtpProtocol::ReadReply(std::string_view first, std::string_view second, std::string_view third)
{
    std::string reply = ReadLine();
    if (reply.size() < 4)
        throw CFTPException("Server returned insufficient reply");
    if (!inSet(first, reply[0]) || !inSet(second, reply[1]) || !inSet(third, reply[2]))
        throw CFTPException(reply);
    if (reply[3] != '-')
        return reply;
    for (;;) {
        std::string line = ReadLine();
        reply += line;
        if (closesReply(line, reply))
            return reply;
        // A line cut short by the end of the stream closed the connection;
        // nothing can complete the reply now.
        if (!IsConnected())
            throw CNetException(ECONNRESET, "Connection closed by server");
        if (reply.size() > kMaxReply) {
            closeControl();
            throw CFTPException("Server sent a reply longer than " + std::to_string(kMaxReply) + " bytes");
        }
    }
}

void FtpProtocol::Status(std::string text)
{
    mailbox_->sendStatus(std::move(text));
}

void FtpProtocol::RequestAbort()
{
    control_.RequestAbort();
    data_.RequestAbort();
}

void FtpProtocol::RecoverAfterAbort()
{
    const bool replyOutstanding = replyPending_ && !sending_;
    // The socket that was waiting consumed its own flag; the other one still
    // carries it, which is how an interrupted task is told from a clean one.
    if (!control_.AbortRequested() && !data_.AbortRequested())
        return;
    control_.ClearAbort();
    data_.ClearAbort();
    if (!control_.IsConnected())
        return;
    try {
        if (data_.IsConnected()) {
            data_.Close();
            // Telnet "interrupt process" and synch: the IAC before DM goes as
            // urgent data, so a server busy sending notices the ABOR that follows.
            // TLS has no urgent data, and the bytes inside it would reach the
            // server's command reader as garbage: there the closed data
            // connection is what stops the server, and ABOR follows alone.
            if (!control_.IsSecure()) {
                control_.SendString(formatBytes("%c%c%c", kTelnetIac, kTelnetInterruptProcess, kTelnetIac), true);
                control_.SendString(formatBytes("%c", kTelnetDataMark));
            }
            SendCommand("ABOR");
            ReadLine();
        }
        if (replyOutstanding)
            ReadLine();
        UpdateWorkingDirectory();
    } catch (const CException&) {
        // Where the reply stream stands is unknown now; a fresh login is cheap.
        closeControl();
        throw;
    }
    Status("Done");
}

void FtpProtocol::closeControl()
{
    control_.Close();
    sending_ = false;
    readingLine_ = false;
    replyPending_ = false;
}

} // namespace varnix
