#pragma once

#include <string>
#include <string_view>

namespace varnix {

// What the desktop says about a remote entry, judged from its name alone.
struct FileType {
    std::string typeText;  // e.g. "Plain text document"; empty means "File"
    int iconIndex = 0;     // in whatever icon list the view keeps
};

// Implemented by the GUI (MIME comment and icon for a name, the folder type
// for folders, a link overlay for links); the core only asks. Called on
// session worker threads while a listing is read, so an implementation must
// be thread-safe and must not wait for the UI thread.
class FileTypeProvider {
public:
    virtual ~FileTypeProvider() = default;
    virtual FileType describe(std::string_view name, bool isFolder, bool isLink) = 0;
};

// The process-wide provider, or nullptr (the default). Without one, entries
// read "File" with icon 0, folders icon 1. The provider must outlive every
// listing read while it is set.
void setFileTypeProvider(FileTypeProvider* provider);
FileTypeProvider* fileTypeProvider();

}  // namespace varnix
