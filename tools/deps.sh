#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# As root it runs apt-get; otherwise it prints the command to run and fails.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  libgtest-dev libgmock-dev libbenchmark-dev
  libncurses-dev libsqlite3-dev sqlite3
  libcairo2-dev libfreetype-dev fonts-dejavu-core poppler-utils
  clang libclang-rt-14-dev
  tmux ncurses-term cups-client procps
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
