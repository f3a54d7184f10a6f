#!/usr/bin/env bash
# fetch-debian-source.sh PACKAGE DEST: unpacks the upstream source of a Debian
# source package into DEST (once), for cross builds that need a library's
# source. Uses a private package list, so the system's apt setup is untouched.
set -euo pipefail
package=$1
dest=$2
[ -f "$dest/.unpacked" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The machine's own package sources, turned into source-package sources.
mkdir -p "$work/parts" "$work/lists/partial"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] && sed -e 's/^Types:.*/Types: deb-src/' "$f" >"$work/parts/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
  sed -n -e 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/parts/main.list"
fi
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts"
  -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" -qq update
(cd "$work" && apt-get "${apt_opts[@]}" -qq source --download-only "$package" >/dev/null)
rm -rf "$dest"
mkdir -p "$dest"
tar -xf "$work"/"${package}"_*.orig.tar.* -C "$dest" --strip-components=1
touch "$dest/.unpacked"
