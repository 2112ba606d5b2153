#!/usr/bin/env bash
# Set-up, build and run or test VelmorServiceSoftware on Debian 12.
#   bash setup.sh run    install what is missing, build, start the program
#   bash setup.sh test   install what is missing, build, run the test suite
#   bash setup.sh demo   install what is missing, build, start the program
#                        against simulated devices (one of each family)
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
  demo)
    # The program runs from a directory of its own, so that the settings
    # file beside it is the demo's; the user's settings stay untouched.
    demo=build/demo
    mkdir -p "$demo"
    cp -f build/VelmorServiceSoftware "$demo/"
    settings="$demo/VelmorServiceSoftware.ini"
    [ -f "$settings" ] || printf '[Misc]\r\nCOM=1\r\n' > "$settings"
    build/velmor-devsim --all --settings "$settings" > "$demo/devices.txt" &
    sim=$!
    trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
    trap 'exit 130' INT TERM
    for _ in $(seq 50); do grep -q '^ready$' "$demo/devices.txt" 2>/dev/null && break; sleep 0.1; done
    echo "Simulated devices (family, port, pseudo-terminal):"
    grep -v '^ready$' "$demo/devices.txt"
    "$demo/VelmorServiceSoftware"
    ;;
  *)    echo "usage: bash setup.sh run|test|demo" >&2; exit 2 ;;
esac
