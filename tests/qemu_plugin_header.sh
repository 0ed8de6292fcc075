#!/usr/bin/env bash
# Prints the directory that holds qemu-plugin.h for the installed QEMU, the
# header of its TCG plugin interface, which Debian ships in no binary
# package. It comes from the source package of the very version installed
# (apt-get source, which needs a deb-src entry), Debian's patches applied,
# and is kept in the user's cache, outside every source and build tree, so
# that each version is fetched once per machine.
# Usage: qemu_plugin_header.sh [PACKAGE]   (default qemu-user)
set -euo pipefail
package=${1:-qemu-user}
fail() { echo "qemu_plugin_header.sh: $*" >&2; exit 1; }

version=$(dpkg-query -W -f='${source:Version}' "$package" 2>/dev/null) ||
  fail "$package is not installed"
[[ -n $version ]] || fail "no source version for $package"
source=$(dpkg-query -W -f='${source:Package}' "$package")
cache=${XDG_CACHE_HOME:-$HOME/.cache}/statbench/qemu-plugin-${version//:/_}
header=$cache/include/qemu/qemu-plugin.h
if [[ ! -f $header ]]; then
  command -v apt-get >/dev/null || fail "no apt-get to fetch the $source $version sources"
  command -v dpkg-source >/dev/null || fail "no dpkg-source: install the Debian package dpkg-dev"
  mkdir -p "$(dirname "$cache")"
  work=$(mktemp -d "$(dirname "$cache")/fetch.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source -qq --download-only "$source=$version" >/dev/null 2>log) ||
    fail "apt-get source $source=$version failed (is there a deb-src entry?): $(grep -m1 '^E:' "$work/log" || tail -n 1 "$work/log")"
  dpkg-source -x "$work"/*.dsc "$work/tree" >/dev/null 2>"$work/log" ||
    fail "dpkg-source could not unpack $source $version: $(tail -n 1 "$work/log")"
  mkdir -p "$work/include/qemu"
  cp "$work/tree/include/qemu/qemu-plugin.h" "$work/include/qemu/"
  rm -rf "$cache"
  mkdir -p "$cache"
  mv "$work/include" "$cache/"
fi
dirname "$header"
