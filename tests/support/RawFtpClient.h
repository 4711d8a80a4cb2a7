#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace varnix::test {

// A bare-bones blocking FTP client for checking fixtures and peeking at a
// server from a test without our own engine: it sends exactly what it is
// told and returns replies verbatim. Every wait is bounded by the timeout;
// running out throws std::runtime_error.
class RawFtpClient {
public:
    RawFtpClient(const std::string& host, std::uint16_t port,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~RawFtpClient();
    RawFtpClient(const RawFtpClient&) = delete;
    RawFtpClient& operator=(const RawFtpClient&) = delete;

    // One complete reply (all lines of a multi-line one), CR LF kept.
    std::string readReply();
    std::string command(const std::string& line); // sends line + CR LF, returns the reply
    void sendRaw(const std::string& bytes);
    void sendUrgent(char byte); // one byte as TCP urgent data
    // USER, then PASS if asked for; true when the server answered 230.
    bool login(const std::string& user, const std::string& password);
    // Sends PASV and returns the data port from the 227 reply.
    std::uint16_t passivePort();
    // True when the server closes the connection before the timeout.
    bool waitForClose();

    // Data connection helpers: read to end of file, or write and close.
    static std::string readAll(const std::string& host, std::uint16_t port,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10));
    static void writeAll(const std::string& host, std::uint16_t port, const std::string& bytes);

private:
    std::string readLine();
    void waitReadable();

    int m_fd = -1;
    std::chrono::milliseconds m_timeout;
    std::string m_buffer;
};

} // namespace varnix::test
