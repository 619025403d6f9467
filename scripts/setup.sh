#!/usr/bin/env bash
# Installs the Debian packages Vorlane needs; does nothing when all are present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=$(grep -v '^#' "$here/packages.txt" | tr '\n' ' ')
wanted=$(echo $pkgs | wc -w)
have=$(dpkg-query -W -f='${db:Status-Status}\n' $pkgs 2>/dev/null | grep -c '^installed$' || true)
[ "$have" -eq "$wanted" ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q $pkgs
