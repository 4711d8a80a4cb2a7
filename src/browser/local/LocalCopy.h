#pragma once
// Files dropped onto a local window are copied into its folder. Before
// anything is copied, every name already taken there is settled with the
// person: replace what has it (a folder onto a folder merges, replacing
// the files of the same names inside), skip the item, keep both under a
// new name ("a (2).txt"), or cancel the whole drop; an answer may be given
// for all the clashes still to come. An item that is already in the folder
// is left alone, and a folder is never copied into itself.

#include <string>
#include <string_view>
#include <vector>

namespace varnix {

enum class ClashAnswer { Replace, Skip, KeepBoth, Cancel };

struct Clash {
    std::string target;           // the path whose name is taken
    bool sourceIsFolder = false;  // a link counts as a file, whatever it points to
    bool targetIsFolder = false;

    // A file never replaces a folder, nor a folder a file.
    bool canReplace() const { return sourceIsFolder == targetIsFolder; }
};

class ClashQuestion {
public:
    virtual ~ClashQuestion() = default;
    // Sets `applyToAll` when the answer is for the later clashes too.
    virtual ClashAnswer ask(const Clash& clash, bool& applyToAll) = 0;
};

struct CopyItem {
    std::string source;
    std::string target;
    bool replace = false;  // the target exists and gives way (a folder: merged into)

    bool operator==(const CopyItem&) const = default;
};

struct CopyPlan {
    std::vector<CopyItem> items;
    std::vector<std::string> refused;  // one text per item that cannot be copied
    bool cancelled = false;            // nothing is copied
};

CopyPlan planCopy(const std::vector<std::string>& sources, const std::string& folder, ClashQuestion& question);

// The name for "keep both": "a.txt" gives "a (2).txt" for attempt 1,
// "a (3).txt" for attempt 2; folders and names without an extension are
// numbered whole ("docs (2)", ".profile (2)").
std::string keepBothName(std::string_view name, bool folder, unsigned attempt);

} // namespace varnix
