#include "write_sequence.h"

#include <algorithm>

namespace orlentis {

std::vector<Write> SplitWrites(std::span<const std::uint8_t> input) {
  std::vector<Write> writes;
  while (input.size() >= 2 && writes.size() < kMaxWrites) {
    const std::size_t count = std::min<std::size_t>(input[0] | (input[1] << 8), input.size() - 2);
    // A write of nothing sends nothing; it would only cost a wait for a reply.
    if (count > 0) writes.push_back(input.subspan(2, count));
    input = input.subspan(2 + count);
  }
  return writes;
}

std::vector<std::uint8_t> JoinWrites(const std::vector<std::vector<std::uint8_t>>& writes) {
  std::vector<std::uint8_t> input;
  for (const auto& write : writes) {
    input.push_back(static_cast<std::uint8_t>(write.size() & 0xff));
    input.push_back(static_cast<std::uint8_t>(write.size() >> 8));
    input.insert(input.end(), write.begin(), write.end());
  }
  return input;
}

}  // namespace orlentis
