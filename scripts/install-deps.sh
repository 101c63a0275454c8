#!/usr/bin/env bash
# Installs the Debian 12 packages that Orlentis needs to build, test and run.
# Idempotent: packages already present are skipped, and apt is not touched at all
# when nothing is missing. Must run as root (or through sudo).
#
#   scripts/install-deps.sh [--bench]
#
# --bench adds the reference RADIUS server and its client, which bench/run measures beside
# Orlentis, HAProxy, which bench/failover puts in front of three servers, and keepalived and
# iproute2, with which bench/floating-address moves one address between two servers, and
# libfaketime, which speeds up the servers' clocks in bench/maintenance-slots; the services the
# packages start are stopped, since the scripts run their own copies.
set -euo pipefail

bench=0
case "${1:-}" in
  "") ;;
  --bench) bench=1 ;;
  *)
    echo "usage: scripts/install-deps.sh [--bench]" >&2
    exit 2
    ;;
esac

packages=(
  build-essential cmake pkg-config make git python3 clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev libicu-dev
  libssl-dev
  # spdlog (the operator's log) as Debian builds it, on the separate fmt library.
  libspdlog-dev libfmt-dev
  libsqlite3-dev sqlite3 libsoci-dev
  # The metrics page (prometheus-cpp's exposer on civetweb); its tests read the page with the
  # Prometheus client's own parser, and promtool checks the alert rules in docs/.
  prometheus-cpp-dev python3-prometheus-client prometheus
  # The PostgreSQL engine: the client library, and the server the tests start privately.
  postgresql-15 libpq-dev
  # Debian's SOCI headers are configured with Boost support and include Boost headers.
  libboost-dev
  libasio-dev
  # Command lines of orlentis-admin and orlentis-peer.
  libcli11-dev
  libldap-dev slapd ldap-utils
  # The domain logon's TLS tests make their CA and certificates with the openssl command.
  openssl
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
if [ "$bench" -eq 1 ]; then
  # matplotlib draws the monitoring picture from a bench run's scrapes.
  packages+=(freeradius freeradius-utils haproxy keepalived iproute2 libfaketime
    python3-matplotlib)
fi

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The package starts a cluster of its own, which nothing here uses: the tests start their own
# servers. It is stopped, and kept from starting at boot both through its start.conf (read by
# the init script and by systemd's generator) and, where systemd runs, the service itself.
if [ -f /etc/postgresql/15/main/start.conf ]; then
  if pg_ctlcluster 15 main status >/dev/null 2>&1; then
    echo "install-deps: stopping the PostgreSQL cluster 15/main"
    $SUDO pg_ctlcluster 15 main stop || true
  fi
  $SUDO sed -i 's/^auto$/manual/' /etc/postgresql/15/main/start.conf
fi
if [ -d /run/systemd/system ]; then
  $SUDO systemctl disable --quiet postgresql 2>/dev/null || true
fi

# The prometheus package is here for promtool; its server is not wanted.
if [ -d /run/systemd/system ] && systemctl is-enabled --quiet prometheus 2>/dev/null; then
  $SUDO systemctl disable --now --quiet prometheus || true
fi

# The packaged services would hold their standard ports and take CPU from the measurement.
for service in freeradius haproxy keepalived; do
  if [ "$bench" -eq 1 ] && command -v systemctl >/dev/null &&
    systemctl is-active --quiet "$service" 2>/dev/null; then
    echo "install-deps: stopping the $service service"
    $SUDO systemctl stop "$service"
  fi
done
