#!/bin/sh
# Installs what is missing, builds and starts the player.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=OFF
cmake --build build -j"$(nproc)" --target breloplayer
exec ./build/breloplayer
