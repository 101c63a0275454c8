# shellcheck shell=bash disable=SC2154,SC2004
# FreeRADIUS beside the host logins of bench/run, which sources this file: its work folder,
# seeded_users, cell_seconds, rows, rate, rss_mib, port, server_pid, free_port, sample_rss
# and stop_server are bench/run's.
#
# The packaged server runs as an ordinary process on its own copy of the packaged
# configuration: one virtual server on a free port of 127.0.0.1, a pool of 4 threads, PAP
# against a users file that holds the host-login cells' users with cleartext passwords.
# radclient keeps 64 requests in flight, as the host-login cell keeps 64 connections busy.

radius_home=$work/radius
radius_secret=bench-secret

write_radius_configuration() {
  local raddb=$radius_home/raddb
  mkdir -p "$radius_home"
  cp -R /etc/freeradius/3.0 "$raddb"
  sed -i -E \
    -e "s|^raddbdir = .*|raddbdir = $raddb|" \
    -e "s|^logdir = .*|logdir = $radius_home|" \
    -e "s|^run_dir = .*|run_dir = $radius_home|" \
    -e "/^\s*(user|group) = freerad/d" \
    -e "s/^(\s*)(start_servers|max_servers|max_spare_servers) = .*/\1\2 = 4/" \
    -e "s/^(\s*)min_spare_servers = .*/\1min_spare_servers = 1/" \
    -e "s/^proxy_requests *= .*/proxy_requests = no/" \
    "$raddb/radiusd.conf"
  # Only what a PAP login needs: the packaged sites also listen on the standard ports.
  rm -f "$raddb"/sites-enabled/* "$raddb"/mods-enabled/*
  ln -s ../mods-available/files ../mods-available/pap "$raddb/mods-enabled/"
  cat >"$raddb/clients.conf" <<EOF
client bench {
  ipaddr = 127.0.0.1
  secret = $radius_secret
}
EOF
  cat >"$raddb/sites-enabled/bench" <<EOF
server bench {
  listen {
    type = auth
    ipaddr = 127.0.0.1
    port = $port
  }
  authorize {
    files
    pap
  }
  authenticate {
    Auth-Type PAP {
      pap
    }
  }
}
EOF
  for ((i = 0; i < seeded_users; i++)); do
    echo "bench-user-$i Cleartext-Password := \"bench-password\""
  done >"$raddb/mods-config/files/authorize"
  # The users of the host-login cell at 64 connections, one request each.
  for ((i = 0; i < 64; i++)); do
    printf 'User-Name = "bench-user-%d", User-Password = "bench-password"\n\n' "$i"
  done >"$radius_home/requests"
}

# Sends each of the 64 requests COUNT times, 64 in flight; prints the seconds it took, then
# radclient's summary.
radclient_run() {
  local count=$1 begin end summary
  begin=$(date +%s.%N)
  summary=$(radclient -s -q -p 64 -c "$count" -r 1 -t 5 -f "$radius_home/requests" \
    "127.0.0.1:$port" auth "$radius_secret" 2>&1) || true
  end=$(date +%s.%N)
  awk "BEGIN { print $end - $begin }"
  echo "$summary"
}

# A figure of radclient's summary: radius_count NAME SUMMARY.
radius_count() {
  awk -F: -v name="$1" '$1 ~ name { gsub(/[ \t]/, "", $2); print $2 }' <<<"$2"
}

radius_answers() {
  radclient -q -c 1 -r 1 -t 1 -f "$radius_home/requests" "127.0.0.1:$port" auth \
    "$radius_secret" >/dev/null 2>&1
}

start_radius() {
  port=$(free_port)
  write_radius_configuration
  freeradius -f -d "$radius_home/raddb" >"$radius_home/output.log" 2>&1 &
  server_pid=$!
  echo "bench/run: waiting for freeradius on port $port" >&2
  for _ in $(seq 100); do
    if radius_answers; then return 0; fi
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.2
  done
  echo "bench/run: freeradius did not answer:" >&2
  cat "$radius_home/output.log" "$radius_home/radius.log" >&2 2>/dev/null || true
  if kill -0 "$server_pid" 2>/dev/null; then stop_server; else server_pid=; fi
  return 1
}

# The cell LABEL: a short run gives the rate, then the measured one sends as many as the
# cell's time takes at that rate.
measure_radius() {
  local label=$1
  if ! command -v freeradius >/dev/null || ! command -v radclient >/dev/null; then
    rows+=("| $label | 64 | skipped: freeradius not installed (scripts/install-deps.sh --bench) | | | | | |")
    return
  fi
  if [[ ! -r /etc/freeradius/3.0/radiusd.conf ]]; then
    rows+=("| $label | 64 | skipped: /etc/freeradius/3.0 is not readable (run as root) | | | | | |")
    return
  fi
  if ! start_radius; then
    rows+=("| $label | 64 | no result: freeradius did not start | | | | | |")
    return
  fi
  echo "bench/run: $label" >&2
  local probe count summary seconds samples="$work/rss.radius"
  probe=$(radclient_run 20)
  probe=$(head -1 <<<"$probe")
  count=$(awk "BEGIN { c = int(20 / $probe * $cell_seconds); print (c < 20 ? 20 : c) }")
  : >"$samples"
  sample_rss "$samples" &
  local sampler=$!
  summary=$(radclient_run "$count")
  kill "$sampler" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
  stop_server
  seconds=$(head -1 <<<"$summary")
  local accepted rejected lost failures=none
  accepted=$(radius_count Accepted "$summary")
  rejected=$(radius_count Rejected "$summary")
  lost=$(radius_count Lost "$summary")
  if [[ ${rejected:-0} != 0 || ${lost:-0} != 0 || -z $accepted ]]; then
    failures="rejected:${rejected:-?} lost:${lost:-?}"
  fi
  rate[$label]=$(awk "BEGIN { printf \"%.1f\", ${accepted:-0} / $seconds }")
  rss_mib[$label]=$(($(sort -n "$samples" | tail -1) / 1024))
  rows+=("| $label | 64 | ${rate[$label]} | | | | $failures | ${rss_mib[$label]} |")
}
