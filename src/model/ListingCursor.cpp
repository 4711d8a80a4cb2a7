#include "model/ListingCursor.h"

namespace varnix {

void ListingCursor::skipBlanks()
{
    std::size_t n = 0;
    while (n < text_.size() && isBlank(text_[n]))
        ++n;
    text_.remove_prefix(n);
}

std::string_view ListingCursor::takeDigits()
{
    skipBlanks();
    std::size_t n = 0;
    while (n < text_.size() && text_[n] >= '0' && text_[n] <= '9')
        ++n;
    std::string_view digits = text_.substr(0, n);
    text_.remove_prefix(n);
    return digits;
}

std::optional<std::string_view> ListingCursor::token()
{
    skipBlanks();
    std::size_t n = 0;
    while (n < text_.size() && !isBlank(text_[n]))
        ++n;
    if (n == 0)
        return std::nullopt;
    std::string_view taken = text_.substr(0, n);
    text_.remove_prefix(n);
    return taken;
}

std::optional<std::uint32_t> ListingCursor::number32()
{
    std::string_view digits = takeDigits();
    if (digits.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (char d : digits)
        value = value * 10u + static_cast<std::uint32_t>(d - '0');
    return value;
}

std::optional<std::uint64_t> ListingCursor::number64()
{
    std::string_view digits = takeDigits();
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char d : digits) {
        std::uint64_t digit = static_cast<std::uint64_t>(d - '0');
        if (value > (UINT64_MAX - digit) / 10u)
            return std::nullopt;
        value = value * 10u + digit;
    }
    return value;
}

void ListingCursor::skipAll(char c)
{
    std::size_t n = 0;
    while (n < text_.size() && text_[n] == c)
        ++n;
    text_.remove_prefix(n);
}

bool ListingCursor::skipOne(char c)
{
    if (text_.empty())
        return true;
    if (text_.front() != c)
        return false;
    text_.remove_prefix(1);
    return true;
}

}  // namespace varnix
