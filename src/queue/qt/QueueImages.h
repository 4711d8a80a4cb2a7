#pragma once
// The queue rows' pictures, drawn when first needed: a download's arrow
// points down, an upload's up, each above a bar that fills as the transfer
// goes on (the queue counts 52 steps); a site-to-site copy shows two servers.
// UI thread only.

#include <QIcon>

namespace varnix::QueueImages {

// kDownloadImage + step, kUploadImage + step, or kSiteToSiteImage.
QIcon image(int number);

} // namespace varnix::QueueImages
