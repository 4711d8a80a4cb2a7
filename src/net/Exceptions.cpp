#include "net/Exceptions.h"

#include <cstring>

namespace varnix {

CNetException::CNetException(int error) : error(error), text(std::strerror(error)) {}

} // namespace varnix
