#pragma once
// What a local window asks of the current remote window: to take a local
// file or folder into the folder it shows. The remote window implements it
// beside the queue's RemoteWindow; local windows find it through the
// workspace's current remote window.

#include <string>

namespace varnix {

struct ConflictChoice;

class UploadTarget {
public:
    virtual ~UploadTarget() = default;
    // False until the window shows a folder.
    virtual bool canUpload() const = 0;
    // The site's TransferNow setting: start at once rather than queue.
    virtual bool transferNow() const = 0;
    // One local file or folder into the shown folder, asking about a name
    // that exists there through `choice` (one per command, so "Use for all
    // selected" carries over); started at once or only queued.
    virtual void upload(const std::string& localPath, ConflictChoice& choice, bool startNow) = 0;
};

} // namespace varnix
