#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# Idempotent: with everything present it changes nothing and needs no network.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' scripts/packages.txt)
missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
