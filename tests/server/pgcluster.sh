#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests: made in a temporary folder,
# listening on a Unix socket in that folder and on no TCP port, never fsync'd
# unless PGCLUSTER_FSYNC=on (the benchmark's honest commits).
#
#   pgcluster.sh start STATE PORT           a primary; STATE is a folder that
#                                           gets pellomar-server.ini and the
#                                           cluster's folder name
#   pgcluster.sh standby STATE PRIMARY PORT a hot standby of the primary whose
#                                           STATE folder is PRIMARY, made
#                                           synchronous
#   pgcluster.sh restart STATE              restarts it as after a power cut
#                                           (immediate stop, then start)
#   pgcluster.sh crash STATE                stops it as a crash would, and
#                                           leaves its folder for a later stop
#   pgcluster.sh promote STATE              makes a standby the primary
#   pgcluster.sh stop STATE                 stops the cluster, removes its folder
#
# initdb refuses to run as root: as root the cluster runs as the postgres user.
set -euo pipefail

pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as=()
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u postgres --); fi

state=$2
mkdir -p "$state"

cluster_of() { cat "$1/cluster"; }

write_ini() { # folder socket port
  cat > "$1/pellomar-server.ini" <<INI
[server]
hosts=$2
ports=$3
database=pellomar
user=pellomar
till=test
INI
}

case "$1" in
start)
  port=$3
  "$0" stop "$state"
  base=$(mktemp -d /tmp/pellomar-pg.XXXXXX)
  chmod 755 "$base"
  [ ${#as[@]} -eq 0 ] || chown postgres: "$base"
  "${as[@]}" mkdir "$base/sock"
  "${as[@]}" "$pgbin/initdb" -D "$base/data" -A trust -U pellomar -E UTF8 \
      --locale=C.UTF-8 --no-sync >"$state/initdb.log" 2>&1
  printf "listen_addresses=''\nunix_socket_directories='%s'\nport=%s\nfsync=%s\nmax_connections=60\n" \
      "$base/sock" "$port" "${PGCLUSTER_FSYNC:-off}" >> "$base/data/postgresql.conf"
  echo "$base" > "$state/cluster"
  "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -l "$base/server.log" -w start >/dev/null
  psql -q -X "host=$base/sock port=$port user=pellomar dbname=postgres" \
       -c "create database pellomar" >/dev/null
  write_ini "$state" "$base/sock" "$port"
  ;;
standby)
  primary=$(cluster_of "$3"); port=$4
  pport=$(sed -n 's/^ports=//p' "$3/pellomar-server.ini")
  base=$(mktemp -d /tmp/pellomar-pg.XXXXXX)
  chmod 755 "$base"
  [ ${#as[@]} -eq 0 ] || chown postgres: "$base"
  "${as[@]}" "$pgbin/pg_basebackup" -D "$base/data" -R -X stream -c fast \
      -d "host=$primary/sock port=$pport user=pellomar application_name=standby1"
  echo "port=$port" | "${as[@]}" tee -a "$base/data/postgresql.auto.conf" >/dev/null
  echo "$base" > "$state/cluster"
  "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -l "$base/server.log" -w start >/dev/null
  # Synchronous only once the standby runs: set earlier, commits would wait
  # for ever, and the standby would inherit it through the base backup.
  psql -q -X "host=$primary/sock port=$pport user=pellomar dbname=postgres" \
       -c "alter system set synchronous_standby_names='standby1'" \
       -c "alter system set synchronous_commit='remote_apply'" \
       -c "select pg_reload_conf()" >/dev/null
  write_ini "$state" "$primary/sock,$primary/sock" "$pport,$port"
  ;;
restart)
  base=$(cluster_of "$state")
  "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -l "$base/server.log" -m immediate -w restart >/dev/null
  ;;
crash)
  base=$(cluster_of "$state")
  "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -m immediate -w stop >/dev/null
  ;;
promote)
  base=$(cluster_of "$state")
  "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -w promote >/dev/null
  ;;
stop)
  [ -f "$state/cluster" ] || exit 0
  base=$(cluster_of "$state")
  if [ -f "$base/data/postmaster.pid" ]; then
    "${as[@]}" "$pgbin/pg_ctl" -D "$base/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$base" "$state/cluster"
  ;;
*)
  echo "usage: $0 start STATE PORT | standby STATE PRIMARY PORT | restart|crash|promote|stop STATE" >&2
  exit 2
  ;;
esac
