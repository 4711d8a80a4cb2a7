#include "browser/SizeText.h"

namespace varnix {

std::string kilobyteText(std::uint64_t bytes)
{
    // Rounded up without the overflow that adding 1023 would risk.
    const std::string digits = std::to_string(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
    std::string text;
    text.reserve(digits.size() + digits.size() / 3 + 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text + " KB";
}

} // namespace varnix
