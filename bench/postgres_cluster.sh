# shellcheck shell=bash
# A PostgreSQL cluster of its own for a benchmark, which sources this file: made in a fresh
# folder, reached through a Unix socket there only, stopped and removed by stop_postgres; and,
# for a failover, a streaming standby of it made the same way.
#
# Tuned as a dedicated database server is: a larger buffer cache and room for the write-ahead
# log between checkpoints. Every setting that keeps a commit durable stays as packaged (fsync,
# synchronous_commit and full_page_writes on).

postgres_binaries=/usr/lib/postgresql/15/bin
# The socket's name only: it lies in the cluster's own folder.
postgres_port=5432
postgres_folder=
postgres_standby_folder=
# Every cluster's folder, for stop_postgres.
postgres_folders=()

postgres_installed() {
  [[ -x $postgres_binaries/initdb && -x $postgres_binaries/pg_ctl ]]
}

# Runs a program of the cluster. PostgreSQL refuses to run as root, so as root it runs as the
# user postgres, from the cluster's folder (the caller's may be closed to that user).
as_postgres() {
  local program=$postgres_binaries/$1
  shift
  if [[ $(id -u) == 0 ]]; then
    (cd "$postgres_folder" &&
      setpriv --reuid=postgres --regid=postgres --init-groups "$program" "$@")
  else
    "$program" "$@"
  fi
}

# A new folder for a cluster, open to the user postgres.
new_postgres_folder() {
  local folder
  folder=$(mktemp -d -t orlentis-postgres.XXXXXX)
  chmod 755 "$folder"
  if [[ $(id -u) == 0 ]]; then chown postgres: "$folder"; fi
  echo "$folder"
}

# Makes and starts a cluster in a new folder (postgres_folder), its log in it.
start_postgres() {
  postgres_folder=$(new_postgres_folder)
  postgres_folders+=("$postgres_folder")
  as_postgres initdb -D "$postgres_folder/data" -A trust -U postgres --locale=C -E UTF8 \
    >"$postgres_folder/initdb.log"
  resume_postgres
}

# Stops the cluster's server, keeping its data, and starts it again: an outage.
halt_postgres() {
  as_postgres pg_ctl -D "$postgres_folder/data" -m fast -w stop >/dev/null
}
resume_postgres() { serve_postgres "$postgres_folder"; }

# Starts the server of the cluster in FOLDER, on a socket there, its log beside the data.
serve_postgres() {
  as_postgres pg_ctl -D "$1/data" -l "$1/log" -w start \
    -o "-k $1 -p $postgres_port -c listen_addresses=''" \
    -o "-c shared_buffers=1GB -c effective_cache_size=8GB -c max_wal_size=4GB" >/dev/null
}

# A streaming standby of the cluster in a new folder (postgres_standby_folder), its log in
# it: a base backup written with the settings that make it follow the cluster
# (--write-recovery-conf), served on a socket in its own folder.
start_postgres_standby() {
  postgres_standby_folder=$(new_postgres_folder)
  postgres_folders+=("$postgres_standby_folder")
  as_postgres pg_basebackup -D "$postgres_standby_folder/data" -h "$postgres_folder" \
    -p "$postgres_port" -U postgres --write-recovery-conf --wal-method=stream --checkpoint=fast
  serve_postgres "$postgres_standby_folder"
}

# Makes every commit of the cluster wait until its standby has it on disk, and waits until
# the standby is counted as synchronous. Set on the cluster only, after the base backup: a
# promoted standby with the setting would wait for a standby of its own that does not exist.
make_postgres_synchronous() {
  postgres_sql postgres -c "ALTER SYSTEM SET synchronous_standby_names = '*'" \
    -c "ALTER SYSTEM SET synchronous_commit = on" -c "SELECT pg_reload_conf()" >/dev/null
  local tries=0
  until [[ $(postgres_sql postgres -At -c "SELECT sync_state FROM pg_stat_replication") == sync ]]; do
    tries=$((tries + 1))
    if ((tries > 600)); then
      echo "postgres_cluster: the standby was not synchronous within 30 s" >&2
      return 1
    fi
    sleep 0.05
  done
}

# Stops the cluster's server at once, as a crash does: no checkpoint, nothing more sent to
# the standby.
crash_postgres() {
  as_postgres pg_ctl -D "$postgres_folder/data" -m immediate -w stop >/dev/null
}

# Promotes the standby and waits until it takes writes; from then on it is the cluster that
# the functions here reach (postgres_folder), and there is no standby.
promote_postgres_standby() {
  as_postgres pg_ctl -D "$postgres_standby_folder/data" -w promote >/dev/null
  postgres_folder=$postgres_standby_folder
  postgres_standby_folder=
}

# Stops every cluster made here and removes its folder; all are stopped first, since a program
# of the cluster runs from postgres_folder.
stop_postgres() {
  local folder
  for folder in "${postgres_folders[@]}"; do
    as_postgres pg_ctl -D "$folder/data" -m fast -w stop >/dev/null 2>&1 || true
  done
  rm -rf "${postgres_folders[@]}"
  postgres_folders=()
  postgres_folder=
  postgres_standby_folder=
}

# The libpq connection string of DATABASE in the cluster.
postgres_connection() {
  echo "host=$postgres_folder port=$postgres_port dbname=$1 user=postgres"
}

# The libpq connection string of DATABASE in the cluster or its standby, whichever takes
# writes.
postgres_writable_connection() {
  echo "host=$postgres_folder,$postgres_standby_folder port=$postgres_port,$postgres_port" \
    "dbname=$1 user=postgres target_session_attrs=read-write"
}

# psql on DATABASE, quiet, stopping at the first error; SQL from standard input or options.
postgres_sql() {
  local database=$1
  shift
  "$postgres_binaries/psql" -X -q -v ON_ERROR_STOP=1 -h "$postgres_folder" -p "$postgres_port" \
    -U postgres -d "$database" "$@"
}

create_postgres_database() {
  postgres_sql postgres -c "CREATE DATABASE $1"
}
