#pragma once
// A command object for a session: it describes itself for the status bar and
// runs one engine operation on the session's worker thread.

#include <string>

namespace varnix {

class FtpProtocol;

class SessionTask {
public:
    virtual ~SessionTask() = default;
    virtual void execute(FtpProtocol& engine) = 0;
    virtual std::string describe() const = 0;
};

} // namespace varnix
