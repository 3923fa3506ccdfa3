#!/usr/bin/env bash
# Builds the game (Release) into build/, stages its data into build/game/ and plays.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./tools/install-packages.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELM_TESTS=OFF -DKELM_WERROR=OFF
cmake --build build -j "$(nproc)" --target kelm

cd build/game
exec ../kelm "$@"
