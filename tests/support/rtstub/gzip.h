#pragma once
#include <string>
#include <string_view>

namespace rtstub {

// The bytes as one gzip member.
std::string gzipCompress(std::string_view bytes);
// The inflated bytes of a gzip member; throws std::runtime_error when they are not one.
std::string gzipDecompress(std::string_view bytes);

} // namespace rtstub
