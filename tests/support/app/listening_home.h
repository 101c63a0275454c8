#pragma once

#include <cstdint>
#include <filesystem>

namespace orlentis::testing {

// A port on 127.0.0.1 that nothing listens on at the moment.
std::uint16_t FreePort();

// Writes the default program files into home, listening on 127.0.0.1 at port.
bool WriteListenSettings(const std::filesystem::path& home, std::uint16_t port);

// The server is ready when its port answers a host check (polls up to timeoutMs).
bool AnswersHostCheck(std::uint16_t port, int timeoutMs);

}  // namespace orlentis::testing
