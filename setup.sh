#!/usr/bin/env bash
# Set-up, build and run or test VelmorServiceSoftware on Debian 12.
#   bash setup.sh run    install what is missing, build, start the program
#   bash setup.sh test   install what is missing, build, run the test suite
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev libgl-dev gpsbabel)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2

case "${1:-run}" in
  run)  exec build/VelmorServiceSoftware ;;
  test) cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2 ;;
  *)    echo "usage: bash setup.sh run|test" >&2; exit 2 ;;
esac
