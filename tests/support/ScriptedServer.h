#pragma once

#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace varnix::test {

// A fake FTP server on a loopback port for what real servers cannot stage:
// exact reply bytes (malformed, split, multi-line), silence, a connection
// that drops mid-reply. A test lists the steps, calls start(), runs the
// client, and then checks what the client sent: the command lines, the raw
// control bytes (Telnet IAC sequences and the urgent byte included) and the
// uploaded data.
//
// Steps run in order on a thread of their own. Each wait is bounded by
// Options::timeout; a step that cannot complete ends the script and is
// reported by failure(). After the last step the server keeps recording what
// arrives, without answering, until the client closes or the server stops.
// Exactly one control connection is accepted, plus one per reconnect().
//
// Texts given to greet(), reply() and the data steps get "\r\n" appended
// unless they already end in '\n'; an empty text sends nothing. replyRaw()
// and send() send their bytes exactly.
class ScriptedServer {
public:
    struct Options {
        std::uint64_t chunkSeed = 0;  // non-zero: replies go out in random-sized pieces
        std::size_t maxChunk = 7;     // largest piece
        std::chrono::milliseconds chunkGap{1}; // pause between pieces, so they arrive apart
        bool chunkData = false;       // pieces on data connections too
        std::chrono::milliseconds replyDelay{0}; // before each reply is sent
        std::chrono::milliseconds timeout{10000}; // bound for every wait
    };

    ScriptedServer();
    explicit ScriptedServer(Options options);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string host() const { return "127.0.0.1"; }
    std::uint16_t port() const { return m_port; }

    // --- the script (build it before start()) ---
    ScriptedServer& greet(std::string text);     // sent on connection, no command awaited
    ScriptedServer& send(std::string bytes);     // sent now, exactly, no command awaited
    ScriptedServer& reply(std::string text);     // awaits the next command line, answers it
    ScriptedServer& replyRaw(std::string bytes); // same, bytes sent exactly
    ScriptedServer& silent();                    // awaits the next command line, answers nothing
    ScriptedServer& closeAfter(std::string partial = {}); // awaits a command, sends partial raw, closes
    ScriptedServer& closeNow();                  // closes the control connection at this point
    ScriptedServer& expectClose();               // waits until the client closes the connection
    ScriptedServer& reconnect();                 // accepts the client's next control connection
    ScriptedServer& pause(std::chrono::milliseconds duration);
    // Awaits PASV, opens a data listener on 127.0.0.1 and answers
    // prefix + "127,0,0,1,p1,p2" + suffix.
    ScriptedServer& replyPasv(std::string prefix = "227 Entering Passive Mode (", std::string suffix = ").");
    // Awaits PORT h1,h2,h3,h4,p1,p2 and answers; the data step connects there.
    ScriptedServer& replyPort(std::string text = "200 PORT command successful.");
    // Awaits the command (LIST, RETR), answers `before`, sends data over the
    // data connection, closes it and answers `after`.
    ScriptedServer& serveData(std::string data, std::string before = "150 Opening data connection.",
                              std::string after = "226 Transfer complete.");
    // Like serveData but the data connection stays open and no final reply
    // is sent (a stalled transfer; follow with closeData() or an ABOR reply).
    ScriptedServer& serveDataAndHold(std::string data, std::string before = "150 Opening data connection.");
    // Awaits the command (STOR, APPE), answers `before`, records the data up
    // to end of file into uploads() and answers `after`.
    ScriptedServer& receiveData(std::string before = "150 Ok to send data.",
                                std::string after = "226 Transfer complete.");
    ScriptedServer& closeData();

    void start();
    // True once every step has run (also when one failed: see failure()).
    bool waitDone(std::chrono::milliseconds limit = std::chrono::seconds(10));
    void stop(); // ends the thread and closes every socket; also the destructor's work

    // --- what happened (safe to read at any time) ---
    std::vector<std::string> commands() const; // lines without CR LF and Telnet sequences
    std::string rawReceived() const;           // every control byte, urgent byte in place
    std::string urgentBytes() const;           // bytes received as TCP urgent data
    std::vector<std::string> uploads() const;  // one entry per receiveData step
    std::string failure() const;               // "" while all went to plan
    int connectionCount() const;
    bool done() const;

private:
    struct Step {
        std::string name;
        std::function<void()> run;
    };
    using Clock = std::chrono::steady_clock;

    ScriptedServer& add(std::string name, std::function<void()> run);
    void runScript();
    void runSteps();
    void drainAfterScript();

    // control connection
    void acceptControl();
    void closeControl();
    std::string nextCommand();
    bool readControl(Clock::time_point deadline); // false on end of file
    void takeUrgentByte();
    void appendReceived(const char* data, std::size_t n, bool urgent);
    void sendControl(const std::string& bytes);
    bool sendPieces(int fd, const std::string& bytes, bool chunked);

    // data connection
    void openPassiveListener();
    void parsePort(const std::string& command);
    void openData();
    void sendData(const std::string& data);
    std::string receiveUpload();
    void closeDataConnection();

    // waiting
    short waitFor(int fd, short events, Clock::time_point deadline);
    Clock::time_point deadline() const { return Clock::now() + m_options.timeout; }
    void fail(const std::string& why);

    Options m_options;
    std::mt19937_64 m_random;
    int m_listenFd = -1;
    int m_wakeRead = -1, m_wakeWrite = -1;
    std::uint16_t m_port = 0;
    std::vector<Step> m_steps;
    std::thread m_thread;

    // Owned by the script thread.
    int m_controlFd = -1;
    bool m_controlEof = false;
    int m_pasvFd = -1;
    int m_dataFd = -1;
    std::optional<sockaddr_in> m_portTarget;
    std::string m_lineBuffer;

    mutable std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
    std::vector<std::string> m_commands;
    std::size_t m_commandsTaken = 0; // commands the steps have answered
    std::string m_raw, m_urgent, m_failure;
    std::vector<std::string> m_uploads;
    int m_connections = 0;
};

} // namespace varnix::test
