#!/usr/bin/env bash
# Installs the Debian 12 packages that Orlentis needs to build, test and run.
# Idempotent: packages already present are skipped, and apt is not touched at all
# when nothing is missing. Must run as root (or through sudo).
set -euo pipefail

packages=(
  build-essential cmake pkg-config make git python3 clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev libicu-dev
  libssl-dev
  # spdlog (the operator's log) as Debian builds it, on the separate fmt library.
  libspdlog-dev libfmt-dev
  libsqlite3-dev sqlite3 libsoci-dev
  # Debian's SOCI headers are configured with Boost support and include Boost headers.
  libboost-dev
  libasio-dev
  # Command lines of orlentis-admin and orlentis-peer.
  libcli11-dev
  libldap-dev slapd ldap-utils
  # The console (Qt 6 Widgets); its start-up test runs the tray program on a virtual X server.
  qt6-base-dev xvfb xauth x11-utils
  # The font the console's pictures in docs/images are drawn with (make console-shots).
  fonts-dejavu-core
  # sd_notify for the service (Type=notify); systemd-analyze checks the unit; dpkg-dev has
  # dpkg-shlibdeps, which gives the Debian package its dependencies.
  libsystemd-dev systemd dpkg-dev
  # The fuzz build (make fuzz, and the short pass of make test): clang with libFuzzer.
  clang libfuzzer-14-dev
)

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
