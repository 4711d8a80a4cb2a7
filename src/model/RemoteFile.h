#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnix {

class ListingCursor;

// Thrown by the RemoteFile parsers for a line that is no entry (the "total"
// line, ".", "..", unknown formats, impossible dates, malformed facts).
// The listing reader drops the line and goes on; it is deliberately not one
// of the engine's exceptions so that no failure handler swallows it.
struct ListingLineRejected {
    const char* reason;  // static text, for logs and test messages
};

// One entry of a remote folder, parsed from one line of a `LIST -A` reply
// (Unix long format, or the DOS format of IIS and other Windows servers) or
// of an `MLSD` reply (RFC 3659 facts).
// Names are the server's bytes, unchanged (they need not be UTF-8).
// Complete once parsed; afterwards only the folder flag (for links the
// listing reader can enter) and the type text and icon index change.
class RemoteFile {
public:
    // Parses one line (its trailing CR LF allowed). A time of day without a
    // year is dated in `currentYear`; the overload without it asks the local
    // clock, only for lines that need it. Throws ListingLineRejected.
    static RemoteFile parse(std::string_view line);
    static RemoteFile parse(std::string_view line, int currentYear);
    // Parses one MLSD entry: "fact=value;...; name". Fact names and type
    // values are compared without regard to case; unknown facts are ignored,
    // cdir and pdir entries rejected. The modify fact is UTC. Throws
    // ListingLineRejected.
    static RemoteFile parseMachineEntry(std::string_view line);

    // The year of the machine's local clock now.
    static int currentLocalYear();

    const std::string& name() const { return name_; }
    // Empty until the folder's icons are built, then never empty.
    const std::string& typeText() const { return typeText_; }
    // Seconds since 1970-01-01 00:00 UTC; may be slightly negative for the
    // first hours of 1970 in zones east of UTC.
    std::int64_t modified() const { return modified_; }
    std::uint64_t size() const { return size_; }
    const std::string& linkTarget() const { return linkTarget_; }
    const std::string& owner() const { return owner_; }
    const std::string& group() const { return group_; }
    std::uint32_t linkCount() const { return linkCount_; }
    // Mode bits 0400 (owner read) down to 0001 (others execute); 0 when the
    // server's permission field was not the usual ten characters.
    std::uint32_t permissions() const { return permissions_; }
    bool isLink() const { return isLink_; }
    bool isFolder() const { return isFolder_; }
    // -1 until the folder's icons are built.
    int iconIndex() const { return iconIndex_; }

    // The listing reader marks links it could change into as folders.
    void setFolder(bool folder) { isFolder_ = folder; }
    void setType(std::string typeText, int iconIndex);

    // Local date, and the time of day unless it is midnight:
    // "7/3/2001 2:05 PM" or "7/3/2001". Empty if the time cannot be shown.
    std::string dateText() const;

private:
    RemoteFile() = default;
    static RemoteFile parseLine(std::string_view line, const int* currentYear);
    static bool looksLikeDosLine(std::string_view line);
    static RemoteFile parseDosLine(std::string_view line);
    void applyFact(std::string_view name, std::string_view value);
    void applyType(std::string_view value);
    void parseDate(ListingCursor& cursor, const int* currentYear);
    void parseName(std::string_view rest);
    void setKind(std::string_view permissionField);

    std::string name_;
    std::string typeText_;
    std::int64_t modified_ = 0;
    std::uint64_t size_ = 0;
    std::string linkTarget_;
    std::string owner_;
    std::string group_;
    std::uint32_t linkCount_ = 0;
    std::uint32_t permissions_ = 0;
    bool isLink_ = false;
    bool isFolder_ = false;
    int iconIndex_ = -1;
};

}  // namespace varnix
