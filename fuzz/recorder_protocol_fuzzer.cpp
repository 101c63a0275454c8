// libFuzzer entry points: every input is one peer's connection to a server that lives as long
// as the process (see FuzzServer and SplitWrites).

#include <cstddef>
#include <cstdint>

#include "fuzz_connection.h"
#include "fuzz_server.h"
#include "write_sequence.h"

namespace {

orlentis::FuzzServer* server = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // Stopped and its folder removed at exit, after the last input.
  static orlentis::FuzzServer instance;
  server = &instance;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orlentis::PlayWrites(*server, orlentis::SplitWrites({data, size}));
  return 0;
}
