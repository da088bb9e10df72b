#!/bin/sh
# Installs what is missing, builds, and runs every test inside a private
# desktop in a network namespace where only loopback exists.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=ON
cmake --build build -j"$(nproc)"

if [ "$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi
exec $ns -- ./scripts/test-session.sh ctest --test-dir build --output-on-failure "$@"
