#include "ftp/LocalPath.h"

namespace varnix {

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string out(folder);
    if (out.empty() || out.back() != '/')
        out += '/';
    return out += name;
}

} // namespace varnix
