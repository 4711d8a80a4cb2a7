// The MLSD entry parser of RemoteFile (RFC 3659, section 7): facts, each
// "name=value;", then one space and the name, taken whole.

#include "model/ListingLine.h"
#include "model/MachineTime.h"
#include "model/RemoteFile.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <optional>

namespace varnix {

using namespace listing;

namespace {

// Facts end with the first ";" followed by a space (a fact value holds no
// semicolon); an entry without facts begins with that space.
std::size_t factsEnd(std::string_view line)
{
    if (line.starts_with(' '))
        return 0;
    std::size_t end = line.find("; ");
    if (end == std::string_view::npos)
        reject("no facts before the name");
    return end + 1;
}

std::optional<std::uint64_t> decimal64(std::string_view text)
{
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// "0755", "755", "100644", and "0o755" as pyftpdlib writes it (Python's oct()).
std::optional<std::uint32_t> octalMode(std::string_view text)
{
    if (text.starts_with("0o") || text.starts_with("0O"))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    std::uint32_t mode = 0;
    for (char c : text) {
        if (c < '0' || c > '7')
            return std::nullopt;
        mode = mode * 8 + static_cast<std::uint32_t>(c - '0');
    }
    return mode & 0777u;
}

// "OS.unix=slink:/target", "OS.unix=symlink", and the bare "slink" some
// servers write: the part after the colon, when there is one, is the target.
std::optional<std::string_view> linkType(std::string_view type)
{
    static constexpr std::string_view kPrefix = "os.unix=";
    if (type.size() >= kPrefix.size() && equalsIgnoringCase(type.substr(0, kPrefix.size()), kPrefix))
        type.remove_prefix(kPrefix.size());
    const std::size_t colon = type.find(':');
    const std::string_view kind = type.substr(0, colon);
    if (!equalsIgnoringCase(kind, "slink") && !equalsIgnoringCase(kind, "symlink"))
        return std::nullopt;
    return colon == std::string_view::npos ? std::string_view() : type.substr(colon + 1);
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view candidate : names) {
        if (equalsIgnoringCase(name, candidate))
            return true;
    }
    return false;
}

// A number does not replace a name already known.
void keepName(std::string& field, std::string_view value)
{
    if (decimal64(value) && !field.empty() && !decimal64(field))
        return;
    field = value;
}

} // namespace

RemoteFile RemoteFile::parseMachineEntry(std::string_view line)
{
    line = withoutLineEnd(line);
    const std::size_t end = factsEnd(line);
    RemoteFile file;
    std::string_view facts = line.substr(0, end);
    while (!facts.empty()) {
        const std::size_t semicolon = facts.find(';');
        const std::string_view fact = facts.substr(0, semicolon);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos || equals == 0)
            reject("fact without a name or value");
        file.applyFact(fact.substr(0, equals), fact.substr(equals + 1));
        facts.remove_prefix(semicolon + 1);
    }
    const std::string_view name = line.substr(end + 1);
    checkName(name);
    file.name_ = name;
    return file;
}

// Owners and groups come as names (unix.owner, or ProFTPD's
// unix.ownername) or as numbers (unix.uid, or ProFTPD's unix.owner): a
// name wins whatever the order. The perm fact names what this user may
// do, not the mode bits of owner, group and others; it is left out rather
// than shown as a mode that a later chmod would write back.
void RemoteFile::applyFact(std::string_view name, std::string_view value)
{
    if (equalsIgnoringCase(name, "type"))
        applyType(value);
    else if (equalsIgnoringCase(name, "size"))
        size_ = need(decimal64(value), "size fact not a 64-bit number");
    else if (equalsIgnoringCase(name, "modify"))
        modified_ = need(parseMachineTime(value), "modify fact not a time");
    else if (equalsIgnoringCase(name, "unix.mode"))
        permissions_ = need(octalMode(value), "unix.mode fact not octal");
    else if (isOneOf(name, {"unix.owner", "unix.ownername", "unix.uid"}))
        keepName(owner_, value);
    else if (isOneOf(name, {"unix.group", "unix.groupname", "unix.gid"}))
        keepName(group_, value);
}
void RemoteFile::applyType(std::string_view value)
{
    if (equalsIgnoringCase(value, "cdir") || equalsIgnoringCase(value, "pdir"))
        reject("dot entry");
    isFolder_ = equalsIgnoringCase(value, "dir");
    const std::optional<std::string_view> target = linkType(value);
    isLink_ = target.has_value();
    linkTarget_ = target.value_or(std::string_view());
}

} // namespace varnix
