# shellcheck shell=bash disable=SC2154
# Recorders checking in through an outage of the database, and whether every write the server
# acknowledged to them is in the database afterwards: for the benchmarks that source this file
# after bench_server.sh and postgres_cluster.sh. peer, port, peer_timeout, checkin (the
# peer's check-in exchange) and work (a folder of their own) are theirs.

# Checks in sites named "Outage site R-N" with the exchange of checkin, N counting up, until
# the file stop appears; each transcript is kept in replies/R-N.
recorder() {
  local n=0
  while [[ ! -e $work/stop ]]; do
    n=$((n + 1))
    "$peer" "${checkin[@]}" --port "$port" --timeout "$peer_timeout" --json \
      --name "Outage site $1-$n" >"$work/replies/$1-$n" 2>/dev/null || true
  done
}

# Starts COUNT recorders, each in the background.
start_recorders() {
  local r
  recorder_count=$1
  recorder_pids=()
  mkdir -p "$work/replies"
  for r in $(seq "$recorder_count"); do
    recorder "$r" &
    recorder_pids+=($!)
  done
}

stop_recorders() {
  touch "$work/stop"
  wait "${recorder_pids[@]}"
}

# Compares what the server acknowledged (a site, and each camera as SITE|INDEX) with what the
# database of postgres_folder holds; sets acknowledged_sites, acknowledged_cameras, lost (the
# acknowledged lines missing) and lost_count. A check-in and a camera record are answered
# RSP_OK even when their write failed, as recorders expect; the server writes them again once
# the database answers.
compare_acknowledged() {
  local ok='"record":"StatusRecord","status":"RSP_OK"' file name cameras index
  for file in "$work/replies"/*; do
    name="Outage site ${file##*/}"
    if grep -q "\"request\":\"CMD_SITE_CHECKIN\",$ok" "$file"; then echo "$name"; fi
    cameras=$(grep -o "\"request\":\"CMD_CAMERA_INFO\",$ok" "$file" | wc -l)
    for ((index = 0; index < cameras; index++)); do echo "$name|$index"; done
  done | sort >"$work/acknowledged"
  postgres_sql orlentis -At <<'EOF' | sort >"$work/found"
SELECT strSiteName FROM Site WHERE strIP = '127.0.0.1' AND nInstanceID = -1;
SELECT strSiteName || '|' || nIndex FROM Camera JOIN Site ON Site.nID = Camera.nSiteID;
EOF
  acknowledged_sites=$(grep -vc '|' "$work/acknowledged" || true)
  acknowledged_cameras=$(grep -c '|' "$work/acknowledged" || true)
  lost=$(comm -23 "$work/acknowledged" "$work/found")
  lost_count=$(grep -c . <<<"$lost" || true)
}

# The table's rows of the recorders' check-ins (run compare_acknowledged first), DURING
# saying through what they ran.
acknowledged_rows() {
  local attempts complete
  attempts=$(find "$work/replies" -type f | wc -l)
  complete=$(grep -l '"command":"site-checkin","status":"ok"' "$work/replies"/* | wc -l)
  echo "| check-ins of $recorder_count recorders $1 | $attempts, $complete answered RSP_OK throughout |"
  echo "| acknowledged: sites, cameras | $acknowledged_sites, $acknowledged_cameras |"
  echo "| acknowledged but not in the database | $lost_count${lost:+ ($(head -5 <<<"$lost" | tr '\n' ' '))} |"
}
