#!/usr/bin/env bash
# Cross-builds the Windows x86-64 engine with MinGW-w64 and, when Wine is
# there, runs the unit tests and the black-box tests of the .exe under Wine.
#   tools/build-windows.sh            build/windows/bin/pbrain-ruvex.exe + brain.map
#   RUVEX_WINE=none tools/build-windows.sh   build only
#   tools/build-windows.sh --engine          only the .exe and brain.map, no tests
# Installs the Debian packages g++-mingw-w64-x86-64-posix and wine64 when
# missing. The normal build (tools/test.sh) needs neither.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh

packages=(g++-mingw-w64-x86-64-posix wine64)
[ "${RUVEX_WINE:-}" = none ] && packages=(g++-mingw-w64-x86-64-posix)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's wine64 package puts its loader in /usr/lib/wine; the wine package
# adds a "wine" command.
wine=""
wineserver=""
if [ "${RUVEX_WINE:-}" != none ]; then
  for candidate in "$(command -v wine || true)" "$(command -v wine64 || true)" /usr/lib/wine/wine64; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      wine=$candidate
      break
    fi
  done
  for candidate in "$(command -v wineserver || true)" /usr/lib/wine/wineserver; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      wineserver=$candidate
      break
    fi
  done
fi

# GoogleTest for the target is built from the Debian sources (libgtest-dev).
tests=OFF
[ -f /usr/src/googletest/CMakeLists.txt ] && tests=ON
target=()
[ "${1:-}" = --engine ] && tests=OFF && target=(--target pbrain-ruvex)

dir=build/windows
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DRUVEX_WERROR=ON -DRUVEX_BENCH=OFF -DRUVEX_TESTS="$tests" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" >/dev/null
cmake --build "$dir" -j "$jobs" "${target[@]}"
echo "Built $dir/bin/pbrain-ruvex.exe (brain.map beside it)."
[ ${#target[@]} -gt 0 ] && exit 0

if [ "$tests" = OFF ]; then
  echo "No GoogleTest sources in /usr/src/googletest: tests not built."
  exit 0
fi
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "No Wine (wine64 package, or RUVEX_WINE=none): tests not run."
  exit 0
fi

# A Wine prefix of our own, inside the build directory. Its Wine server is
# kept running for the whole test run: the system processes Wine starts with
# a fresh server would otherwise inherit a test's output pipe and hold it
# open after the test ends. The server and its processes stop at the end.
export WINEPREFIX="$PWD/$dir/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
stop_wine() { "$wineserver" -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
mkdir -p "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" wineboot --init </dev/null >/dev/null 2>&1

# The arena's tests check the Python arena itself, not this build: they run with
# tools/test.sh.
ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 -E '^arena_'
echo "All Windows tests passed under Wine."
