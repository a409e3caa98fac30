#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and benchmarks with.
# Silent and quick when everything is present; runs apt-get update only when
# something has to be installed. Needs root (or sudo) only in that case.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjsoncpp-dev libxml2-dev unixodbc-dev unixodbc odbcinst libsqlite3-dev
  libsqliteodbc odbc-postgresql odbc-mariadb postgresql mariadb-server
  firebird3.0-server firebird3.0-utils
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
