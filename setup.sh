#!/usr/bin/env bash
# Set-up, build and run or test VelmorServiceSoftware on Debian 12.
#   bash setup.sh run    install what is missing, build, start the program
#   bash setup.sh test   install what is missing, build, run the test suite
#   bash setup.sh demo   install what is missing, build, start the program
#                        against simulated devices (one of each family)
#   bash setup.sh check  the further checks CI runs after the tests: house
#                        style, the Debian package through lintian,
#                        sanitizer build of the suite, fuzz targets
set -euo pipefail
cd "$(dirname "$0")"

# Installs the Debian packages given that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
  fi
}

install_missing build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev libgl-dev gpsbabel
# The build makes the manual pages with help2man; the tests check them with
# groff, the software centre's entry with appstreamcli (appstream) and the
# package's changelog with dpkg-parsechangelog (dpkg-dev); the flasher's
# board is tried in a real terminal, tmux.
install_missing help2man groff-base appstream dpkg-dev tmux
# The window's English texts are compiled from translations/*.ts by lrelease
# into the program (qt6-l10n-tools has lrelease and lupdate).
install_missing qt6-l10n-tools
# The screen test runs the window under a real X server (Xvfb) with a window
# manager (openbox), at the screen sizes of field laptops.
install_missing xvfb openbox
# The network port tests serve a pseudo-terminal over TCP with ser2net
# (RFC 2217 and raw TCP). Only for the tests: Debian's package also starts a
# ser2net service of its own (on localhost) where systemd runs.
case "${1:-}" in test | check) install_missing ser2net ;; esac

if [ "${1:-}" = check ]; then
  # The checks CI runs after the test suite: the house style, the whole
  # suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a
  # short run of every fuzz target.
  install_missing clang clang-format libclang-rt-14-dev lintian
  SECONDS=0
  echo "== house style"
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
  echo "== Debian package through lintian"
  # The package of the normal build; any error or warning fails the check
  # (the README's packaging section lists what lintian still reports).
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j 2
  rm -f build/velmor-service-software_*.deb
  (cd build && cpack -G DEB >/dev/null)
  lintian --fail-on error,warning build/velmor-service-software_*.deb
  echo "== test suite and fuzz targets under the sanitizers"
  # One clang build: the suite with AddressSanitizer and
  # UndefinedBehaviorSanitizer, and the libFuzzer targets beside it.
  cmake -S . -B build-san -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
    -DVELMOR_SANITIZE=ON -DVELMOR_FUZZ=ON -DVELMOR_BENCH=OFF >/dev/null
  cmake --build build-san -j 2
  (cd build-san && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2)
  echo "== fuzz targets, ${FUZZ_SECONDS:-30} s each, two at a time (checks so far: ${SECONDS} s)"
  find build-san/tests/fuzz -maxdepth 1 -name 'fuzz_*' -type f -executable -printf '%f\n' | sort \
    | xargs -P 2 -I {} bash tests/fuzz/run.sh build-san "${FUZZ_SECONDS:-30}" {}
  echo "== checks done in ${SECONDS} s"
  exit 0
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
  *)    echo "usage: bash setup.sh run|test|demo|check" >&2; exit 2 ;;
esac
