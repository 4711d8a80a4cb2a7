#include "model/FileTypeProvider.h"

#include <atomic>

namespace varnix {

namespace {
std::atomic<FileTypeProvider*> currentProvider{nullptr};
}

void setFileTypeProvider(FileTypeProvider* provider)
{
    currentProvider.store(provider);
}

FileTypeProvider* fileTypeProvider()
{
    return currentProvider.load();
}

}  // namespace varnix
