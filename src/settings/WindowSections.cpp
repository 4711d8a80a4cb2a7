#include "settings/WindowSections.h"

namespace varnix {

unsigned WindowSections::take(std::string_view kind)
{
    std::set<unsigned>& numbers = taken_[std::string(kind)];
    unsigned n = 0;
    while (numbers.count(n))
        ++n;
    numbers.insert(n);
    return n;
}

void WindowSections::release(std::string_view kind, unsigned number)
{
    if (auto it = taken_.find(std::string(kind)); it != taken_.end())
        it->second.erase(number);
}

std::string WindowSections::name(std::string_view kind, unsigned number)
{
    return std::string(kind) + std::to_string(number);
}

SectionLease::SectionLease(WindowSections& sections, std::string_view kind)
    : sections_(sections), kind_(kind), number_(sections.take(kind)), name_(WindowSections::name(kind, number_))
{
}

SectionLease::~SectionLease()
{
    sections_.release(kind_, number_);
}

} // namespace varnix
