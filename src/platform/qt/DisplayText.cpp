#include "platform/qt/DisplayText.h"

namespace varnix {

// Well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        unsigned c = *p++;
        if (c < 0x80)
            continue;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
        if (more < 0 || c > 0xF4 || end - p < more)
            return false;
        unsigned cp = c & (0x3F >> more);
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (*p & 0x3F);
        }
        if ((more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
    }
    return true;
}

QString displayText(std::string_view bytes)
{
    auto size = qsizetype(bytes.size());
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}

std::string bytesOf(const QString& text, std::string_view original)
{
    if (text == displayText(original))
        return std::string(original);
    return text.toUtf8().toStdString();
}

} // namespace varnix
