#include "simlink/client/simconnect_messages.h"

#include <algorithm>

namespace sc::detail {

void throwSizeMismatch(std::size_t declared, std::size_t given) {
    throw ksb::ByteReadError(std::max(declared, given), 0, std::min(declared, given));
}

} // namespace sc::detail
