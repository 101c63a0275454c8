#include "net/little_endian.h"

#include <algorithm>

namespace orlentis {

std::string LoadText(ConstByteSpan bytes, std::size_t offset, std::size_t width) {
  const auto field = bytes.subspan(offset, width);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

void StoreText(ByteSpan bytes, std::size_t offset, std::string_view text, std::size_t maxBytes) {
  const std::size_t count = std::min(text.size(), maxBytes);
  std::copy_n(text.begin(), count, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace orlentis
