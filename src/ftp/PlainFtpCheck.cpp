#include "ftp/PlainFtpCheck.h"

#include <atomic>

namespace varnix {
namespace {

std::atomic<PlainFtpCheck*> installed{nullptr};

} // namespace

void installPlainFtpCheck(PlainFtpCheck* check)
{
    installed.store(check);
}

PlainFtpCheck* installedPlainFtpCheck()
{
    return installed.load();
}

} // namespace varnix
