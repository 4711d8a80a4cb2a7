#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varnix {

// Consumes a listing line from the left. Each step answers nothing (an empty
// optional or false) where the grammar fails, so the caller decides how to
// reject the line.
class ListingCursor {
public:
    explicit ListingCursor(std::string_view text) : text_(text) {}

    // Space, tab, carriage return and line feed separate a listing's fields.
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    std::optional<std::string_view> token();
    // Digits accumulate modulo 2^32, as the classic listing readers did.
    std::optional<std::uint32_t> number32();
    // Sizes are widened; a size that does not fit 64 bits is no size at all.
    std::optional<std::uint64_t> number64();
    void skipAll(char c);
    bool skipOne(char c);

    std::string_view rest() const { return text_; }
    bool contains(char c) const { return text_.find(c) != std::string_view::npos; }

private:
    void skipBlanks();
    std::string_view takeDigits();

    std::string_view text_;
};

}  // namespace varnix
