#pragma once
// Names and texts travel through the core as bytes; the GUI shows them as
// UTF-8, or as Latin-1 where the bytes are not valid UTF-8 (a name from an
// older server). Text edited in a field goes back as UTF-8, except that text
// left as it was shown returns the original bytes.

#include <QString>

#include <string>
#include <string_view>

namespace varnix {

QString displayText(std::string_view bytes);
std::string bytesOf(const QString& text, std::string_view original = {});
bool isValidUtf8(std::string_view bytes);

} // namespace varnix
