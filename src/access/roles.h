#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orlentis {

// The nine rights of an authority bit set (bsAuthority of users and groups). Bit i is the
// i-th check box wherever the rights are shown; the other bits of the 32-bit value stay 0.
inline constexpr std::uint32_t kAuthorityMonitoring = 0x001;
inline constexpr std::uint32_t kAuthorityPtzControl = 0x002;
inline constexpr std::uint32_t kAuthoritySearching = 0x004;
inline constexpr std::uint32_t kAuthorityGeneralSetup = 0x008;
inline constexpr std::uint32_t kAuthorityUserSetup = 0x010;
inline constexpr std::uint32_t kAuthorityRemoteSetup = 0x020;
inline constexpr std::uint32_t kAuthorityBackup = 0x040;
inline constexpr std::uint32_t kAuthorityShutdown = 0x080;
inline constexpr std::uint32_t kAuthorityPrivacyMask = 0x100;
inline constexpr std::uint32_t kAuthorityAll = 0x1FF;
inline constexpr int kAuthorityRightCount = 9;

// The one right the console itself tests.
inline constexpr std::uint32_t kConsoleRight = kAuthorityMonitoring;

// The built-in role names, in their order. A group named after one of them (ignoring case)
// is a default group that can be neither modified nor deleted.
inline constexpr std::array<std::string_view, 4> kRoleNames = {"Administrator", "Manager",
                                                               "Operator", "Remote User"};
inline constexpr std::string_view kAdministratorName = "Administrator";

// A camera-authority string holds one '0'/'1' per camera index of a site.
inline constexpr std::size_t kCameraAuthorityLength = 64;

namespace detail {
constexpr std::array<char, kCameraAuthorityLength> CameraAuthorityFilledWith(char c) {
  std::array<char, kCameraAuthorityLength> text{};
  text.fill(c);
  return text;
}
inline constexpr auto kAllPermittedChars = CameraAuthorityFilledWith('1');
inline constexpr auto kAllDeniedChars = CameraAuthorityFilledWith('0');
}  // namespace detail

inline constexpr std::string_view kCameraAuthorityAllPermitted{detail::kAllPermittedChars.data(),
                                                               kCameraAuthorityLength};
inline constexpr std::string_view kCameraAuthorityAllDenied{detail::kAllDeniedChars.data(),
                                                            kCameraAuthorityLength};

// True when name is one of the four role names, ignoring case (the default-group test).
bool IsRoleName(std::string_view name);
// True when name is "Administrator", ignoring case (the administrator-account test).
bool IsAdministratorName(std::string_view name);

// What a logged-in user may do: only the rights that both the user and the group hold.
constexpr std::uint32_t EffectiveAuthority(std::uint32_t user, std::uint32_t group) {
  return user & group;
}

constexpr bool HasConsoleRight(std::uint32_t effectiveAuthority) {
  return (effectiveAuthority & kConsoleRight) != 0;
}

// The 16-camera mask of a site login: bit i is set when character i of the camera-authority
// string is '1'; characters past the end of a shorter string count as '0'.
std::uint16_t CameraMask16(std::string_view cameraAuthority);

}  // namespace orlentis
