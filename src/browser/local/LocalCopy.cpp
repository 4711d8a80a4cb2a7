#include "browser/local/LocalCopy.h"

#include "browser/local/LocalPaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <map>

namespace varnix {
namespace {

std::string realPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

bool inside(const std::string& path, const std::string& folder)
{
    return path == folder || path.starts_with(folder == "/" ? folder : folder + "/");
}

class Planner {
public:
    Planner(std::string folder, ClashQuestion& question) : folder_(std::move(folder)), question_(question) {}

    void add(const std::string& dropped)
    {
        std::string source = normalPath(dropped);
        std::string name = lastComponent(source);
        struct stat from {};
        if (source.empty() || name.empty() || ::lstat(source.c_str(), &from) != 0) {
            plan.refused.push_back(dropped + ": " + std::strerror(source.empty() ? EINVAL : errno));
            return;
        }
        const bool folder = S_ISDIR(from.st_mode);
        if (folder && inside(realPath(folder_), realPath(source))) {
            plan.refused.push_back(source + ": a folder cannot be copied into itself");
            return;
        }
        CopyItem item{source, joinPath(folder_, name), false};
        std::optional<bool> takenByFolder = taken(item.target);
        if (takenByFolder) {
            struct stat there {};
            // Dropped where it already is: nothing to do, nothing to ask.
            if (::lstat(item.target.c_str(), &there) == 0 && there.st_dev == from.st_dev &&
                there.st_ino == from.st_ino)
                return;
            if (!settle(item, Clash{item.target, folder, *takenByFolder}))
                return;
        }
        planned_[item.target] = folder;
        plan.items.push_back(std::move(item));
    }

    CopyPlan plan;

private:
    // Whether the name is taken (in the folder, or by an item planned
    // before), and then whether by a folder.
    std::optional<bool> taken(const std::string& path) const
    {
        struct stat there {};
        if (::lstat(path.c_str(), &there) == 0)
            return S_ISDIR(there.st_mode);
        auto planned = planned_.find(path);
        return planned == planned_.end() ? std::nullopt : std::optional(planned->second);
    }

    // False when the item is not copied.
    bool settle(CopyItem& item, const Clash& clash)
    {
        ClashAnswer answer = answerFor(clash);
        switch (answer) {
        case ClashAnswer::Replace:
            item.replace = true;
            return true;
        case ClashAnswer::KeepBoth:
            item.target = freeName(item.target, clash.sourceIsFolder);
            return !item.target.empty();
        case ClashAnswer::Skip:
            return false;
        case ClashAnswer::Cancel:
            plan.items.clear();
            plan.cancelled = true;
            return false;
        }
        return false;
    }

    // An answer given for all is used again unless it is Replace where
    // nothing can be replaced; then the person is asked about this one.
    ClashAnswer answerFor(const Clash& clash)
    {
        if (forAll_ && (*forAll_ != ClashAnswer::Replace || clash.canReplace()))
            return *forAll_;
        bool applyToAll = false;
        ClashAnswer answer = question_.ask(clash, applyToAll);
        if (answer == ClashAnswer::Replace && !clash.canReplace())
            answer = ClashAnswer::Skip;
        if (applyToAll)
            forAll_ = answer;
        return answer;
    }

    std::string freeName(const std::string& target, bool folder) const
    {
        const std::string name = lastComponent(target);
        for (unsigned attempt = 1; attempt < 10000; ++attempt) {
            std::string candidate = joinPath(folder_, keepBothName(name, folder, attempt));
            if (!taken(candidate))
                return candidate;
        }
        return {};
    }

    std::string folder_;
    ClashQuestion& question_;
    std::map<std::string, bool> planned_;  // targets of earlier items: whether a folder goes there
    std::optional<ClashAnswer> forAll_;
};

} // namespace

std::string keepBothName(std::string_view name, bool folder, unsigned attempt)
{
    const std::string number = " (" + std::to_string(attempt + 1) + ")";
    std::size_t dot = folder ? std::string_view::npos : name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::string(name) + number;
    return std::string(name.substr(0, dot)) + number + std::string(name.substr(dot));
}

CopyPlan planCopy(const std::vector<std::string>& sources, const std::string& folder, ClashQuestion& question)
{
    Planner planner(normalPath(folder), question);
    for (const std::string& source : sources) {
        planner.add(source);
        if (planner.plan.cancelled)
            break;
    }
    return std::move(planner.plan);
}

} // namespace varnix
