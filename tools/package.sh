#!/usr/bin/env bash
# Writes the packages a tournament organiser drops into a Gomocup manager, and checks each one
# (tools/check-package.py: unpacked into an empty folder, START/BEGIN/END with the engine there):
#   dist/ruvex-<version>-windows.zip    pbrain-ruvex.exe (MinGW cross build), brain.map, README.txt
#   dist/ruvex-<version>-linux.tar.gz   pbrain-ruvex, brain.map, README.txt
#   tools/package.sh          both; the Windows build installs MinGW and Wine
#                             (tools/build-windows.sh), the .exe is checked under Wine
#   tools/package.sh linux    the Linux package only
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
case $which in all | linux | windows) ;; *) echo "usage: tools/package.sh [linux | windows]" >&2; exit 2 ;; esac
version=$(grep -rhoE 'EngineVersion = "[^"]+"' src | head -n 1 | cut -d '"' -f 2)
commit=$(git rev-parse --short=12 HEAD)
git diff --quiet HEAD -- src data CMakeLists.txt cmake || commit="$commit with local changes"
rm -rf dist/stage
mkdir -p dist/stage

# stage DIR EXE STRIP SYSTEM: the engine without debug sections, its weights and the notes.
stage() {
  local dir=dist/stage/$1 exe=$2 strip=$3 system=$4
  mkdir -p "$dir"
  "$strip" --strip-all -o "$dir/$(basename "$exe")" "$exe"
  cp data/brain.map "$dir/"
  cat > "$dir/README.txt" <<EOF
Ruvex $version - Gomoku (five in a row, 20x20, freestyle) brain for the Gomocup protocol
Build: commit $commit
Runs on: $system

Files
  $(printf '%-18s' "$(basename "$exe")") the engine; it speaks the Gomocup brain protocol on stdin/stdout
  brain.map          its network weights; it must stay in the same folder as the engine

Install in a tournament manager
  Unpack all files into one empty folder (the manager's folder for brains, or any folder),
  then add $(basename "$exe") from there as a player (a computer brain). Keep brain.map beside
  it: the engine reads it from its own folder at START, says "brain.map found" in a MESSAGE
  line, and quits with a MESSAGE when the file is missing.

Time
  Give it more than 500 ms per move: it keeps 500 ms of each turn in reserve and answers at
  once, with the network's first choice, when less is left.
EOF
}

if [ "$which" = all ] || [ "$which" = linux ]; then
  tools/deps.sh
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release --target pbrain-ruvex
  stage linux build/release/bin/pbrain-ruvex strip \
    "Linux x86-64 with glibc and libstdc++ as new as Debian 12's (the build machine's)"
  out=dist/ruvex-$version-linux.tar.gz
  tar -czf "$out" -C dist/stage linux --transform "s,^linux,ruvex-$version," \
    --sort=name --owner=0 --group=0 --numeric-owner
  python3 tools/check-package.py "$out"
fi

if [ "$which" = all ] || [ "$which" = windows ]; then
  tools/build-windows.sh --engine
  stage windows build/windows/bin/pbrain-ruvex.exe x86_64-w64-mingw32-strip \
    "Windows x86-64; statically linked, it needs only KERNEL32.dll and msvcrt.dll"
  out=$PWD/dist/ruvex-$version-windows.zip
  rm -f "$out"
  (cd dist/stage/windows && python3 -m zipfile -c "$out" pbrain-ruvex.exe brain.map README.txt)
  # Wine as tools/build-windows.sh finds it, with its prefix; its server stops at the end.
  wine=""
  for candidate in "$(command -v wine || true)" "$(command -v wine64 || true)" /usr/lib/wine/wine64; do
    [ -n "$candidate" ] && [ -x "$candidate" ] && wine=$candidate && break
  done
  if [ -n "$wine" ] && [ "${RUVEX_WINE:-}" != none ]; then
    export WINEPREFIX="$PWD/build/windows/wineprefix" WINEARCH=win64 WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    wineserver="$(dirname "$wine")/wineserver"
    [ -x "$wineserver" ] || wineserver=$(command -v wineserver)
    trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
    "$wineserver" -p </dev/null >/dev/null 2>&1
    "$wine" wineboot --init </dev/null >/dev/null 2>&1
    python3 tools/check-package.py "$out" --wine "$wine"
  else
    python3 tools/check-package.py "$out"
  fi
fi
rm -rf dist/stage
ls -l dist/ruvex-"$version"-*
