#include "browser/dnd/DragPayload.h"

#include <unistd.h>

namespace varnix {
namespace {

constexpr std::string_view kMagic = "VXDRAG1\n";

void putNumber(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

void putText(std::string& out, std::string_view text)
{
    putNumber(out, text.size(), 4);
    out.append(text);
}

// Reads little-endian numbers and length-prefixed texts; once a read runs
// past the end, every later one fails too.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}

    bool take(std::string_view expected)
    {
        if (!ok_ || !rest_.starts_with(expected))
            return ok_ = false;
        rest_.remove_prefix(expected.size());
        return true;
    }
    std::uint64_t number(int bytes)
    {
        if (!ok_ || rest_.size() < std::size_t(bytes)) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(rest_[std::size_t(i)])) << (8 * i);
        rest_.remove_prefix(std::size_t(bytes));
        return value;
    }
    std::string text()
    {
        std::uint64_t length = number(4);
        if (!ok_ || rest_.size() < length) {
            ok_ = false;
            return {};
        }
        std::string out(rest_.substr(0, std::size_t(length)));
        rest_.remove_prefix(std::size_t(length));
        return out;
    }
    std::size_t left() const { return rest_.size(); }
    bool ok() const { return ok_; }

private:
    std::string_view rest_;
    bool ok_ = true;
};

} // namespace

std::int64_t currentProcess()
{
    return std::int64_t(::getpid());
}

std::string encodePayload(const DragPayload& payload)
{
    std::string out(kMagic);
    putNumber(out, std::uint64_t(payload.process), 8);
    putNumber(out, payload.window, 8);
    putText(out, payload.folder);
    putNumber(out, payload.names.size(), 4);
    for (const std::string& name : payload.names)
        putText(out, name);
    return out;
}

std::optional<DragPayload> decodePayload(std::string_view bytes)
{
    Reader in(bytes);
    DragPayload payload;
    in.take(kMagic);
    payload.process = std::int64_t(in.number(8));
    payload.window = in.number(8);
    payload.folder = in.text();
    std::uint64_t count = in.number(4);
    // Every name takes at least its length: a count beyond that is a lie.
    if (!in.ok() || count > in.left() / 4)
        return std::nullopt;
    payload.names.reserve(std::size_t(count));
    for (std::uint64_t i = 0; i < count && in.ok(); ++i)
        payload.names.push_back(in.text());
    if (!in.ok() || in.left() != 0)
        return std::nullopt;
    return payload;
}

} // namespace varnix
