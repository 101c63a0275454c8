# shellcheck shell=bash
# A PostgreSQL cluster of its own for a benchmark, which sources this file: made in a fresh
# folder, reached through a Unix socket there only, stopped and removed by stop_postgres.
#
# Tuned as a dedicated database server is: a larger buffer cache and room for the write-ahead
# log between checkpoints. Every setting that keeps a commit durable stays as packaged (fsync,
# synchronous_commit and full_page_writes on).

postgres_binaries=/usr/lib/postgresql/15/bin
# The socket's name only: it lies in the cluster's own folder.
postgres_port=5432
postgres_folder=

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

# Makes and starts a cluster in a new folder (postgres_folder), its log in it.
start_postgres() {
  postgres_folder=$(mktemp -d -t orlentis-postgres.XXXXXX)
  chmod 755 "$postgres_folder"
  if [[ $(id -u) == 0 ]]; then chown postgres: "$postgres_folder"; fi
  as_postgres initdb -D "$postgres_folder/data" -A trust -U postgres --locale=C -E UTF8 \
    >"$postgres_folder/initdb.log"
  resume_postgres
}

# Stops the cluster's server, keeping its data, and starts it again: an outage.
halt_postgres() {
  as_postgres pg_ctl -D "$postgres_folder/data" -m fast -w stop >/dev/null
}
resume_postgres() {
  as_postgres pg_ctl -D "$postgres_folder/data" -l "$postgres_folder/log" -w start \
    -o "-k $postgres_folder -p $postgres_port -c listen_addresses=''" \
    -o "-c shared_buffers=1GB -c effective_cache_size=8GB -c max_wal_size=4GB" >/dev/null
}

stop_postgres() {
  if [[ -z $postgres_folder ]]; then return; fi
  as_postgres pg_ctl -D "$postgres_folder/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$postgres_folder"
  postgres_folder=
}

# The libpq connection string of DATABASE in the cluster.
postgres_connection() {
  echo "host=$postgres_folder port=$postgres_port dbname=$1 user=postgres"
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
