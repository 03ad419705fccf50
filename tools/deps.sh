#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# chromium and chromium-driver serve the arena's browser test (tools/arena serve);
# clang and libclang-rt-14-dev (libFuzzer, the sanitizer runtimes) the fuzz targets.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev python3 chromium chromium-driver
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# python3 may come from elsewhere than Debian (pyenv); then it is present already.
if [ ${#missing[@]} -gt 0 ] && [[ " ${missing[*]} " == *" python3 "* ]] && command -v python3 >/dev/null; then
  missing=("${missing[@]/python3}")
fi
missing=($(printf '%s\n' "${missing[@]}" | grep -v '^$' || true))
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
