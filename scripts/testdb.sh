#!/usr/bin/env bash
# The private test databases: an SQLite file, PostgreSQL 15 and MariaDB
# servers on 127.0.0.1, and a Firebird database opened embedded, all inside
# one temporary directory together with the ODBC configuration that reaches
# them. Nothing is written to /etc, to ~ or to /dev/shm.
#
#   scripts/testdb.sh start   set everything up and start the servers
#   scripts/testdb.sh env     print `export NAME=value` lines for the tests
#   scripts/testdb.sh stop    stop the servers and remove the directory
#
# The temporary directory is recorded in the state file named by
# FW_TESTDB_STATE (default build/testdb.state), so that env and stop find
# it; scripts/test.sh uses a state file of its own, so its databases never
# meet the ones a developer started by hand. stop may be run any number of
# times, also after a start that failed half-way.
#
# As root, the servers run as the postgres and mysql users (PostgreSQL
# refuses to run as root); as anyone else they run as that user.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
state=${FW_TESTDB_STATE:-$root/build/testdb.state}
pg_bin=/usr/lib/postgresql/15/bin
# stop refuses to remove a directory without this file in it.
marker=.fw-testdb

die() {
  echo "testdb: $*" >&2
  exit 1
}
note() { echo "testdb: $*" >&2; }

usage() {
  cat >&2 <<'EOF'
usage: scripts/testdb.sh start|env|stop
  start  create the test databases in a temporary directory and start them
  env    print the environment the tests need, for eval "$(scripts/testdb.sh env)"
  stop   stop the databases and remove the directory (safe to repeat)
The state file is $FW_TESTDB_STATE (default build/testdb.state).
EOF
  exit 2
}

# Prints the directory the state file names, or nothing when there is none.
recorded_dir() {
  [[ -f "$state" ]] || return 0
  local dir
  dir=$(<"$state")
  # Trust only a directory that start made: stop deletes it recursively.
  if [[ "$dir" == /* && -f "$dir/$marker" ]]; then
    echo "$dir"
  fi
}

# Whether process $1 runs and is program $2. A zombie counts as gone: the
# servers are detached, and their new parent may be slow to reap them. The
# name guards against a pid reused since the server wrote it.
alive() {
  local stat
  [[ -n "$1" ]] || return 1
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ "$stat" == "$1 ($2) "* && "${stat#*) }" != Z* ]]
}

# Waits up to $3 tenths of a second for process $1 ($2) to go.
wait_gone() {
  local pid=$1 name=$2 tenths=$3
  while alive "$pid" "$name" && ((tenths-- > 0)); do
    sleep 0.1
  done
  ! alive "$pid" "$name"
}

# Ends process $1 ($2): SIGTERM, which both servers take as an orderly
# shutdown, then SIGKILL if it has not gone after $3 tenths of a second.
terminate() {
  local pid=$1 name=$2 tenths=$3
  alive "$pid" "$name" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  wait_gone "$pid" "$name" "$tenths" && return 0
  note "$name ($pid) did not stop; killing it"
  kill -KILL "$pid" 2>/dev/null || true
  wait_gone "$pid" "$name" 50 || note "$name ($pid) is still there"
}

stop_postgres() {
  local dir=$1 pid
  [[ -f "$dir/pg/data/postmaster.pid" ]] || return 0
  pid=$(head -n 1 "$dir/pg/data/postmaster.pid")
  as_postgres "$pg_bin/pg_ctl" -D "$dir/pg/data" -m fast -w -t 30 stop >/dev/null 2>&1 ||
    note "pg_ctl stop failed; terminating PostgreSQL ($pid)"
  terminate "$pid" postgres 100
}

# mariadb-admin shutdown polls the pid file once a second; the signal and our
# own finer wait save most of that second.
stop_mariadb() {
  local dir=$1 pid
  [[ -f "$dir/maria/mariadbd.pid" ]] || return 0
  pid=$(<"$dir/maria/mariadbd.pid")
  terminate "$pid" mariadbd 300
}

# Whatever the orderly stops missed, such as a server that hung before it
# wrote its pid file or a start killed half-way: the servers, and runuser
# holding one, name the directory on their command line. Its name is unique
# to this start, and only those three programs are considered.
# The servers go first: runuser, signalled, gives its child two seconds
# before it kills it.
stop_leftovers() {
  local dir=$1 files file pid name
  files=$(grep -lsF -- "$dir/" /proc/[0-9]*/cmdline || true)
  for name in postgres mariadbd runuser; do
    for file in $files; do
      pid=${file#/proc/}
      pid=${pid%/cmdline}
      if alive "$pid" "$name"; then
        note "stopping $name ($pid), left over in $dir"
        terminate "$pid" "$name" 100
      fi
    done
  done
}

cmd_stop() {
  local dir
  dir=$(recorded_dir)
  if [[ -n "$dir" ]]; then
    stop_postgres "$dir"
    stop_mariadb "$dir"
    stop_leftovers "$dir"
    rm -rf "$dir"
  fi
  rm -f "$state"
}

cmd_env() {
  local dir
  dir=$(recorded_dir)
  [[ -n "$dir" && -f "$dir/env" ]] ||
    die "the test databases are not running (state file $state); start them with scripts/testdb.sh start"
  cat "$dir/env"
}

if [[ $(id -u) -eq 0 ]]; then
  postgres_prefix=(runuser -u postgres --)
  mysql_prefix=(runuser -u mysql --)
  give_to() { chown -R "$1:$1" "$2"; }
else
  postgres_prefix=()
  mysql_prefix=()
  give_to() { :; }
fi
as_postgres() { "${postgres_prefix[@]}" "$@"; }
as_mysql() { "${mysql_prefix[@]}" "$@"; }

# Whether something listens on TCP port $1, on any address.
port_in_use() {
  local hex
  hex=$(printf ':%04X' "$1")
  awk -v p="$hex" 'FNR > 1 && $4 == "0A" && substr($2, length($2) - 4) == p { found = 1 }
                   END { exit !found }' /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

# A port nobody listens on now, below the kernel's range for outgoing
# connections. Another program may still take it before the server binds
# it: the callers retry on "address in use".
free_port() {
  local port tries
  for ((tries = 0; tries < 100; tries++)); do
    port=$((20000 + RANDOM % 12000))
    if ! port_in_use "$port"; then
      echo "$port"
      return 0
    fi
  done
  die "found no free TCP port between 20000 and 32000"
}

random_secret() { od -An -N 12 -tx1 /dev/urandom | tr -d ' \n'; }

# The absolute path of a file that package $1 installs, ending in /$2.
package_file() {
  local path
  path=$(dpkg-query -L "$1" 2>/dev/null | grep -m 1 "/$2\$" || true)
  [[ -n "$path" && -e "$path" ]] ||
    die "$2 of package $1 is missing; run scripts/install-deps.sh"
  echo "$path"
}

# Prints the last lines of a server's log when it failed to start.
show_log() {
  [[ -f "$1" ]] || return 0
  echo "---- last lines of $1" >&2
  tail -n 20 "$1" >&2
  echo "----" >&2
}

start_postgres() {
  local dir=$1/pg attempt
  mkdir -p "$dir/data" "$dir/sock"
  random_secret >"$dir/superuser.pw"
  give_to postgres "$dir"
  chmod 700 "$dir/sock"
  as_postgres "$pg_bin/initdb" -D "$dir/data" -U postgres --pwfile="$dir/superuser.pw" \
    --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 \
    --no-instructions >"$dir/initdb.log" 2>&1 ||
    {
      show_log "$dir/initdb.log"
      die "initdb failed"
    }
  rm -f "$dir/superuser.pw"
  for ((attempt = 0; attempt < 5; attempt++)); do
    pg_port=$(free_port)
    # dynamic_shared_memory_type=mmap keeps its segments in the data
    # directory instead of /dev/shm.
    if as_postgres "$pg_bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -c port=$pg_port -c unix_socket_directories=$dir/sock -c dynamic_shared_memory_type=mmap" \
      start >/dev/null 2>&1; then
      break
    fi
    grep -q 'Address already in use' "$dir/server.log" 2>/dev/null || {
      show_log "$dir/server.log"
      die "PostgreSQL did not start"
    }
    pg_port=
  done
  [[ -n "$pg_port" ]] || die "PostgreSQL found no free port"
  # Through standard input, so that the password shows in no process list.
  as_postgres "$pg_bin/psql" -h "$dir/sock" -p "$pg_port" -U postgres -d postgres \
    -v ON_ERROR_STOP=1 -q >/dev/null <<SQL || die "could not create the PostgreSQL test user"
CREATE ROLE $db_user LOGIN PASSWORD '$pg_password';
CREATE DATABASE $db_name OWNER $db_user ENCODING 'UTF8';
SQL
}

start_mariadb() {
  local dir=$1/maria attempt pid tenths
  mkdir -p "$dir/data" "$dir/tmp"
  give_to mysql "$dir"
  # The socket lets in whoever may reach it, so only the server's user and
  # root reach it.
  chmod 700 "$dir"
  as_mysql mariadb-install-db --no-defaults --datadir="$dir/data" \
    --auth-root-authentication-method=socket --auth-root-socket-user="$(id -un)" \
    --skip-test-db --skip-name-resolve \
    >"$dir/install.log" 2>&1 ||
    {
      show_log "$dir/install.log"
      die "mariadb-install-db failed"
    }
  for ((attempt = 0; attempt < 5; attempt++)); do
    maria_port=$(free_port)
    rm -f "$dir/mariadbd.pid"
    # setsid: an interrupt typed at the terminal must not reach the server,
    # which is stopped in order by stop. All its output goes to its files,
    # so that no pipe of the caller stays open.
    setsid --fork "${mysql_prefix[@]}" mariadbd --no-defaults --datadir="$dir/data" \
      --socket="$dir/mariadbd.sock" --port="$maria_port" --bind-address=127.0.0.1 \
      --pid-file="$dir/mariadbd.pid" --log-error="$dir/server.log" --tmpdir="$dir/tmp" \
      --skip-name-resolve --character-set-server=utf8mb4 \
      --collation-server=utf8mb4_general_ci </dev/null >/dev/null 2>&1
    # Ready when it answers on its socket; it has failed when it wrote its
    # pid and went, or never wrote it.
    for ((tenths = 0; tenths < 300; tenths++)); do
      if mariadb-admin --no-defaults --socket="$dir/mariadbd.sock" -u root \
        --connect-timeout=2 ping >/dev/null 2>&1; then
        break 2
      fi
      pid=$(cat "$dir/mariadbd.pid" 2>/dev/null || true)
      if [[ -n "$pid" ]] && ! alive "$pid" mariadbd; then
        break
      fi
      if grep -q 'Aborting' "$dir/server.log" 2>/dev/null; then
        wait_gone "$pid" mariadbd 100 || true
        break
      fi
      sleep 0.1
    done
    if ! grep -qE 'Bind on TCP/IP port|Address already in use' "$dir/server.log" 2>/dev/null; then
      show_log "$dir/server.log"
      die "MariaDB did not start"
    fi
    # Leave only this attempt's lines for the next check.
    mv "$dir/server.log" "$dir/server.log.$attempt"
    maria_port=
  done
  [[ -n "$maria_port" ]] || die "MariaDB found no free port"
  mariadb --no-defaults --socket="$dir/mariadbd.sock" -u "$(id -un)" >/dev/null <<SQL ||
CREATE DATABASE $db_name CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
CREATE USER '$db_user'@'127.0.0.1' IDENTIFIED BY '$maria_password';
CREATE USER '$db_user'@'localhost' IDENTIFIED BY '$maria_password';
GRANT ALL PRIVILEGES ON $db_name.* TO '$db_user'@'127.0.0.1';
GRANT ALL PRIVILEGES ON $db_name.* TO '$db_user'@'localhost';
SQL
    die "could not create the MariaDB test user"
}

# Firebird has no ODBC driver here: tests reach it through isql-fb with the
# engine loaded into the client. FIREBIRD names a configuration of our own
# that allows only the embedded engine, so that nothing ever falls back to a
# Firebird server the machine may run.
setup_firebird() {
  local dir=$1/fb msg install f
  msg=$(package_file libfbclient2 firebird.msg)
  install=$(dirname "$msg")
  package_file firebird3.0-server-core libEngine12.so >/dev/null
  command -v isql-fb >/dev/null || die "isql-fb is missing; run scripts/install-deps.sh"
  mkdir -p "$dir/root" "$dir/lock" "$dir/tmp"
  for f in "$install"/*; do
    [[ "$(basename "$f")" == firebird.conf ]] || ln -s "$f" "$dir/root/"
  done
  # Classic: each process opens the database itself, sharing it through the
  # lock files, so tests running in parallel can use the same database.
  cat >"$dir/root/firebird.conf" <<'EOF'
Providers = Engine12
ServerMode = Classic
EOF
  cat >"$dir/create.sql" <<EOF
CREATE DATABASE '$dir/test.fdb' DEFAULT CHARACTER SET UTF8;
EOF
  (
    firebird_env "$1"
    isql-fb -q -b -i "$dir/create.sql" >"$dir/create.log" 2>&1
  ) || {
    show_log "$dir/create.log"
    die "could not create the Firebird database"
  }
  [[ -f "$dir/test.fdb" ]] || die "isql-fb did not create $dir/test.fdb"
}

firebird_env() {
  export FIREBIRD=$1/fb/root FIREBIRD_LOCK=$1/fb/lock FIREBIRD_TMP=$1/fb/tmp
  export ISC_USER=SYSDBA HOME=$1/home
}

write_odbc_config() {
  local dir=$1 sqlite psql_w psql_a maria
  sqlite=$(package_file libsqliteodbc libsqlite3odbc.so)
  psql_w=$(package_file odbc-postgresql psqlodbcw.so)
  psql_a=$(package_file odbc-postgresql psqlodbca.so)
  maria=$(package_file odbc-mariadb libmaodbc.so)
  # The packages' own entries in /etc use relative paths and name an SQLite
  # library that is not shipped, so the drivers are declared here afresh.
  cat >"$dir/odbcinst.ini" <<EOF
[SQLite3]
Description = SQLite 3
Driver = $sqlite

[PostgreSQL Unicode]
Description = PostgreSQL (Unicode)
Driver = $psql_w

[PostgreSQL ANSI]
Description = PostgreSQL (ANSI)
Driver = $psql_a

[MariaDB]
Description = MariaDB
Driver = $maria
EOF
  # StepAPI=1 fetches SQLite rows as they are stepped instead of reading the
  # whole result first: faster and much smaller.
  (
    umask 077
    cat >"$dir/odbc.ini" <<EOF
[fwtest_sqlite]
Driver = SQLite3
Database = $dir/sqlite/fwtest.db
StepAPI = 1

[fwtest_pgsql]
Driver = PostgreSQL Unicode
Servername = 127.0.0.1
Port = $pg_port
Database = $db_name
Username = $db_user
Password = $pg_password

[fwtest_mariadb]
Driver = MariaDB
Server = 127.0.0.1
Port = $maria_port
Database = $db_name
User = $db_user
Password = $maria_password
EOF
  )
}

write_env() {
  local dir=$1
  (
    umask 077
    {
      print_export FW_TESTDB_DIR "$dir"
      print_export ODBCSYSINI "$dir"
      print_export ODBCINI "$dir/odbc.ini"
      # The ODBC tools and isql-fb write files to the home directory.
      print_export HOME "$dir/home"
      print_export FW_TEST_DB_USER "$db_user"
      print_export FW_TEST_DB_NAME "$db_name"

      print_export FW_TEST_SQLITE_DSN fwtest_sqlite
      print_export FW_TEST_SQLITE_DB "$dir/sqlite/fwtest.db"
      print_export FW_TEST_SQLITE_CONNSTR "Driver=SQLite3;Database=$dir/sqlite/fwtest.db;StepAPI=1"

      print_export FW_TEST_PGSQL_DSN fwtest_pgsql
      print_export FW_TEST_PGSQL_HOST 127.0.0.1
      print_export FW_TEST_PGSQL_PORT "$pg_port"
      print_export FW_TEST_PGSQL_USER "$db_user"
      print_export FW_TEST_PGSQL_PASSWORD "$pg_password"
      print_export FW_TEST_PGSQL_DATABASE "$db_name"
      print_export FW_TEST_PGSQL_CONNSTR "Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=$pg_port;Database=$db_name;Uid=$db_user;Pwd=$pg_password"

      print_export FW_TEST_MARIADB_DSN fwtest_mariadb
      print_export FW_TEST_MARIADB_HOST 127.0.0.1
      print_export FW_TEST_MARIADB_PORT "$maria_port"
      print_export FW_TEST_MARIADB_USER "$db_user"
      print_export FW_TEST_MARIADB_PASSWORD "$maria_password"
      print_export FW_TEST_MARIADB_DATABASE "$db_name"
      print_export FW_TEST_MARIADB_CONNSTR "Driver=MariaDB;Server=127.0.0.1;Port=$maria_port;Database=$db_name;Uid=$db_user;Pwd=$maria_password"

      print_export FW_TEST_FIREBIRD_DB "$dir/fb/test.fdb"
      print_export FIREBIRD "$dir/fb/root"
      print_export FIREBIRD_LOCK "$dir/fb/lock"
      print_export FIREBIRD_TMP "$dir/fb/tmp"
      print_export ISC_USER SYSDBA
    } >"$dir/env"
  )
}

print_export() { printf 'export %s=%q\n' "$1" "$2"; }

cmd_start() {
  local existing dir started elapsed
  existing=$(recorded_dir)
  [[ -z "$existing" ]] ||
    die "the test databases are already running in $existing; stop them first with scripts/testdb.sh stop"
  [[ -x "$pg_bin/initdb" ]] || die "PostgreSQL 15 is missing ($pg_bin); run scripts/install-deps.sh"
  for tool in mariadbd mariadb-install-db mariadb-admin mariadb setsid; do
    command -v "$tool" >/dev/null || die "$tool is missing; run scripts/install-deps.sh"
  done
  if [[ $(id -u) -eq 0 ]]; then
    for user in postgres mysql; do
      id -u "$user" >/dev/null 2>&1 || die "user $user is missing; run scripts/install-deps.sh"
    done
  fi

  started=${EPOCHREALTIME/[.,]/}
  mkdir -p "$(dirname "$state")"
  # Always below /tmp rather than $TMPDIR: the server users must be able to
  # reach it, and a private TMPDIR (under /root, say) would stop them.
  dir=$(mktemp -d /tmp/fw-testdb.XXXXXX)
  chmod 755 "$dir"
  touch "$dir/$marker"
  echo "$dir" >"$state"
  # From here on a failure or an interrupt must leave nothing running.
  trap 'status=$?; if ((status != 0)); then note "start failed; cleaning up"; cmd_stop; fi' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP

  mkdir -p "$dir/home" "$dir/sqlite"
  db_user=fwtest
  db_name=fwtest
  pg_password=$(random_secret)
  maria_password=$(random_secret)

  start_postgres "$dir"
  start_mariadb "$dir"
  setup_firebird "$dir"
  write_odbc_config "$dir"
  write_env "$dir"
  trap - EXIT INT TERM HUP
  elapsed=$(((${EPOCHREALTIME/[.,]/} - started) / 10000))
  note "started in $dir in $((elapsed / 100)).$(printf %02d $((elapsed % 100))) s: PostgreSQL on 127.0.0.1:$pg_port, MariaDB on 127.0.0.1:$maria_port"
}

case "${1:-}" in
start) cmd_start ;;
stop) cmd_stop ;;
env) cmd_env ;;
*) usage ;;
esac
