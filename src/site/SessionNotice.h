#pragma once
// A report from a session to its target: status, failure, abort, listing,
// progress or completion.

#include <cstdint>
#include <string>

namespace varnix {

class CFTPSession;

enum NoticeKind : std::uint32_t {
    NoticeStatus = 0,
    NoticeFailed = 1,
    NoticeAborted = 2,
    NoticeListed = 3,
    NoticeProgress = 4,
    NoticeDone = 5,
};

enum Recovery : std::uint32_t {
    RecoveryNone = 0,
    RecoveryLogin = 1,
    RecoveryRetry = 2,
    // Retry, but from the start: what was copied is whole but wrong (a
    // failed verification), so resuming it would keep the damage.
    RecoveryRestart = 3,
};

// The expected-bytes value of a progress notice once more arrived than expected.
constexpr std::uint64_t kUnknownSize = ~std::uint64_t(0);

struct SessionNotice {
    CFTPSession* sender = nullptr;
    NoticeKind kind = NoticeStatus;
    // Progress only: elapsed milliseconds, bytes moved by this call, start
    // offset, bytes this call expects to move.
    std::uint64_t elapsed = 0;
    std::uint64_t moved = 0;
    std::uint64_t offset = 0;
    std::uint64_t expected = 0;
    std::string text;
    Recovery recovery = RecoveryNone;
};

} // namespace varnix
