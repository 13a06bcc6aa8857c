#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those.
# Arguments: package names; "package:command" means the package counts as
# present when the command is on PATH (however it got there).
set -euo pipefail

missing=()
for item in "$@"; do
  package=${item%%:*}
  command=
  [[ $item == *:* ]] && command=${item#*:}
  if [[ -n $command ]] && command -v "$command" >/dev/null 2>&1; then
    continue
  fi
  if command -v dpkg-query >/dev/null 2>&1 &&
     dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    continue
  fi
  missing+=("$package")
done

((${#missing[@]} == 0)) && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "Please install: ${missing[*]}" >&2
  exit 1
fi
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Installing ${missing[*]} needs root." >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
