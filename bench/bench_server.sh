# shellcheck shell=bash disable=SC2154
# The server under measurement, for the benchmarks that source this file: server, peer and
# seeded_users are theirs; start_server sets port and server_pid.

bench_name=bench/${0##*/}

# A port that nothing listens on, below the kernel's range of local ports for outgoing
# connections: after thousands of connections a port there may be taken though nothing
# answers on it.
free_port() {
  local port first_local _
  read -r first_local _ </proc/sys/net/ipv4/ip_local_port_range
  for _ in $(seq 100); do
    port=$((10000 + RANDOM % (first_local > 12000 ? first_local - 10000 : 40000)))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
  echo "$bench_name: no free port found" >&2
  exit 1
}

# Writes FOLDER's Setting.ini: the server listens on ADDRESS and PORT and admits any number of
# connections from one address (every peer of a bench comes from one). The IP filter is off
# unless IP_FILTER=1 (deny mode, with an empty range table: every peer is admitted once the
# table was read). The lines after PORT go into the file too.
write_server_settings() {
  local folder=$1 address=$2 port=$3
  shift 3
  {
    printf '%s\n' "[IPSETTING]" "IP=$address" "PORT=$port" "FILTER=${IP_FILTER:-0}" "FILTERSTYLE=0"
    printf '%s\n' "[SECURITY]" "MAXCONNPERADDRESS=0"
    printf '%s\n' "$@"
  } >"$folder/Setting.ini"
}

# Waits until the server of server_pid, on FOLDER, answers a host check at PORT on loopback.
# The words after PORT go before the check (`ip netns exec NAME` checks a server there).
await_server() {
  local folder=$1 port=$2
  shift 2
  echo "$bench_name: waiting for the server on port $port" >&2
  for _ in $(seq 150); do
    if "$@" "$peer" host-check --port "$port" --timeout 1000 >/dev/null 2>&1; then break; fi
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "$bench_name: the server ended at start-up:" >&2
      cat "$folder/server.log" >&2
      exit 1
    fi
    sleep 0.2
  done
  "$@" "$peer" host-check --port "$port" >/dev/null
}

# Starts a server on FOLDER at a free port of 127.0.0.1 (server_pid, port) and waits until it
# answers. The lines after FOLDER go into its Setting.ini too.
start_server() {
  local folder=$1
  shift
  port=$(free_port)
  write_server_settings "$folder" 127.0.0.1 "$port" "$@"
  ORLENTIS_ADMIN_PASSWORD=bench-admin "$server" --home "$folder" --headless \
    2>"$folder/server.log" &
  server_pid=$!
  await_server "$folder" "$port"
}

# Starts COUNT servers as above, in folders server0, server1... under WORK, all on the
# PostgreSQL database of CONNECTION; their pids and ports go to the arrays server_pids and
# server_ports, and the shell does not report their end (a bench may kill one on purpose). The
# lines after CONNECTION go into each Setting.ini too.
start_shared_servers() {
  local count=$1 work=$2 connection=$3 n
  shift 3
  for n in $(seq 0 $((count - 1))); do
    mkdir "$work/server$n"
    start_server "$work/server$n" "[DATABASE]" "CONNECT=$connection" "$@"
    disown "$server_pid"
    server_pids+=("$server_pid")
    server_ports+=("$port")
  done
  server_pid=
}

# Which of COUNT shared servers under WORK said last that it took the lead of the maintenance.
maintenance_leader() {
  local count=$1 work=$2 n leader=
  for n in $(seq 0 $((count - 1))); do
    if grep -q 'maintenance-leader' "$work/server$n/server.log"; then leader=$n; fi
  done
  echo "$leader"
}

# Ends the server (or reference) of server_pid.
stop_server() {
  kill -TERM "$server_pid" 2>/dev/null || true
  wait "$server_pid" || true
  server_pid=
}

# Four host instances with 16 cameras each: a host login answers four instance entries.
check_in_instances() {
  for instance in 0 1 2 3; do
    "$peer" instance-checkin --port "$port" --instance "$instance" --name "Bench host $instance" \
      --cameras 16 >/dev/null
  done
}

# The instances, then the users of FOLDER allowed to see them all.
seed_server() {
  check_in_instances
  "$peer" seed --home "$1" --users "$seeded_users" >&2
}

now_us() { echo "${EPOCHREALTIME/./}"; }
ms_since() { echo $((($(now_us) - $1) / 1000)); }

# How long from now until the peer's EXCHANGE (its options after the port's) succeeds, trying
# every 50 ms for a minute at most, and how many failed first: "MS FAILED". The peer waits
# peer_timeout for each answer.
login_recovery() {
  local began failed=0
  began=$(now_us)
  until "$peer" "$@" --port "$port" --timeout "$peer_timeout" >/dev/null 2>&1; do
    failed=$((failed + 1))
    if (($(ms_since "$began") > 60000)); then break; fi
    sleep 0.05
  done
  echo "$(ms_since "$began") $failed"
}

# Field NAME of the one-line JSON report REPORT of orlentis-peer bench.
json_field() { sed -E "s/.*\"$2\":([^,}]*).*/\1/" <<<"$1"; }
