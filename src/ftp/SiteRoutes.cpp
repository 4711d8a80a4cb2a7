#include "ftp/SiteRoutes.h"

#include <mutex>
#include <set>
#include <utility>

namespace varnix {
namespace {

struct Refusals {
    std::mutex lock;
    std::set<std::pair<std::string, std::string>> pairs;
};

Refusals& refusals()
{
    static Refusals known;
    return known;
}

} // namespace

bool refusedEachOther(const std::string& source, const std::string& destination)
{
    Refusals& known = refusals();
    std::lock_guard<std::mutex> hold(known.lock);
    return known.pairs.count({source, destination}) != 0;
}

void rememberRefusal(const std::string& source, const std::string& destination)
{
    Refusals& known = refusals();
    std::lock_guard<std::mutex> hold(known.lock);
    known.pairs.insert({source, destination});
}

void forgetRefusals()
{
    Refusals& known = refusals();
    std::lock_guard<std::mutex> hold(known.lock);
    known.pairs.clear();
}

} // namespace varnix
