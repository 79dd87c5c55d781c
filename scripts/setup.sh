#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev libssl-dev postgresql libpq-dev pgbouncer openssl valgrind gdb
          libcli11-dev nlohmann-json3-dev libedit-dev libcpp-httplib-dev
          chromium chromium-driver python3-selenium python3-pytest
          clang-tidy clang-format cppcheck llvm
          doxygen graphviz debhelper lintian)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
