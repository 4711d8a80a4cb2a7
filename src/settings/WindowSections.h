#pragma once
// Numbered layout sections of the browser windows ("LocalWindow0",
// "RemoteWindow1", ...). A window takes the smallest number of its kind that
// no open window holds, so the first remote window of a run finds what the
// first remote window of the last run saved.

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnix {

class WindowSections {
public:
    static constexpr std::string_view kLocalWindow = "LocalWindow";
    static constexpr std::string_view kRemoteWindow = "RemoteWindow";

    unsigned take(std::string_view kind);
    void release(std::string_view kind, unsigned number);
    static std::string name(std::string_view kind, unsigned number);

private:
    std::unordered_map<std::string, std::set<unsigned>> taken_;
};

// One window's section, held for the window's lifetime.
class SectionLease {
public:
    SectionLease(WindowSections& sections, std::string_view kind);
    ~SectionLease();
    SectionLease(const SectionLease&) = delete;
    SectionLease& operator=(const SectionLease&) = delete;

    const std::string& name() const { return name_; }
    unsigned number() const { return number_; }

private:
    WindowSections& sections_;
    std::string kind_;
    unsigned number_;
    std::string name_;
};

} // namespace varnix
