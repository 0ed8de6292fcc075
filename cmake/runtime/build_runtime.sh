#!/bin/bash
# Builds the C and C++ runtime of a 32-bit program for the i586 from Debian's
# own source packages, with the compilers installed here, and prints the
# directory that holds it on the last line of its output.
#
#   build_runtime.sh mingw32   MinGW-w64's CRT, libgcc, libgcc_eh, libstdc++
#   build_runtime.sh linux32   glibc, libgcc, libgcc_eh, libstdc++ (static)
#
# Debian builds its 32-bit runtimes for the i686 (CMOV, FCOMI, the long NOP,
# and for Linux endbr32 besides), which the K6-2, K6-III, WinChip and C3
# cannot execute. No compiler is built: the GCC tree is configured only far
# enough to generate the headers libgcc reads, and its target libraries are
# compiled by the installed driver.
#
# The sources: GCC's and glibc's come installed, as the tarballs of
# gcc-12-source and glibc-source (Debian's patched glibc tree; it must be the
# version libc6-dev was built from); MinGW-w64's only through apt-get source,
# so the mingw32 runtime needs a deb-src entry in apt, and the network once
# per version. Besides, dpkg-dev and what GCC and glibc need to build (bison,
# flex, gawk, texinfo, gettext, libgmp/libmpfr/libmpc-dev).
#
# The result goes to a cache outside the source and build trees, named for
# everything it is made from (source versions, compiler versions, flags,
# options and this script), and is reused while that stays the same:
#   ${STATBENCH_RUNTIME_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/statbench/runtime}
# Each run removes from it what no current input names any more. Progress goes
# to standard error, at least every 30 s while a step lasts; the whole log to
# <cache>/<name>.log.
set -euo pipefail

target=${1:?usage: build_runtime.sh mingw32|linux32}
cache=${STATBENCH_RUNTIME_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/statbench/runtime}
jobs=${STATBENCH_RUNTIME_JOBS:-$(nproc)}
# i586 instructions, scheduled for today's processors: -march=i586 alone
# tunes for the Pentium, which costs the processors that run it most.
flags='-g -O2 -march=i586 -mtune=generic'
gcc_tarball=/usr/src/gcc-12/gcc-12.2.0-dfsg.tar.xz
glibc_tarball=/usr/src/glibc/glibc-2.36.tar.xz

# Debian's options for the runtime libraries of the compilers whose
# libraries these replace, less CET (endbr32) for Linux.
common_gcc_options='--prefix=/usr --libexecdir=/usr/lib --with-gcc-major-version-only
  --enable-languages=c,c++ --disable-multilib --disable-nls --disable-bootstrap --disable-werror
  --disable-libstdcxx-pch --disable-libssp --disable-libgomp --disable-libquadmath
  --disable-libatomic --disable-libvtv --disable-libsanitizer --disable-lto --disable-plugin
  --enable-shared --enable-static --enable-version-specific-runtime-libs --with-tune=generic'
case $target in
mingw32)
  triplet=i686-w64-mingw32
  gcc_options='--enable-threads=win32 --disable-sjlj-exceptions --with-dwarf2
    --enable-fully-dynamic-string --enable-libstdcxx-time=yes
    --enable-libstdcxx-filesystem-ts=yes --with-headers'
  packages='mingw-w64-i686-dev gcc-12-source binutils-mingw-w64-i686 gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32'
  cc=$triplet-gcc-win32 cxx=$triplet-g++-win32
  ;;
linux32)
  triplet=i586-linux-gnu
  gcc_options='--enable-threads=posix --enable-clocale=gnu --enable-libstdcxx-time=yes
    --with-default-libstdcxx-abi=new --enable-gnu-unique-object --disable-vtable-verify'
  # multi-arch would pick string functions at run time among i686 and SSE
  # variants, and in a static i586 link refers to __memcmp_ia32, which only
  # its i686 build has.
  glibc_options='--enable-kernel=3.2 --disable-multi-arch --disable-werror --without-selinux
    --disable-crypt --disable-nscd --disable-profile --disable-timezone-tools'
  # System calls through the kernel's vDSO entry point, as the i686 build
  # makes them: for the i586 glibc keeps to int $0x80, which costs 6 us a
  # call on our KVM machines against 0.4 through the vDSO (sysenter or
  # syscall, whichever the kernel chose for the processor; int $0x80 where
  # a kernel gives no vDSO). What enables it is a define in glibc's i686
  # directory; the code it selects is the i386's own.
  glibc_cppflags=-DUSE_DL_SYSINFO=1
  packages='libc6-dev glibc-source gcc-12-source binutils gcc-12 g++-12 gcc-12-multilib linux-libc-dev'
  cc='gcc -m32 -march=i586 -mtune=generic' cxx='g++ -m32 -march=i586 -mtune=generic'
  ;;
*)
  echo "build_runtime.sh: unknown target '$target' (mingw32 or linux32)" >&2
  exit 2
  ;;
esac

version() { dpkg-query -W -f='${Version}' "$1"; }
source_version() { dpkg-query -W -f='${source:Version}' "$1"; }
installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }
duration() { # seconds -> "7 min 30 s"
  if [ "$1" -ge 60 ]; then echo "$(($1 / 60)) min $(($1 % 60)) s"; else echo "$1 s"; fi
}
size() { # KiB -> KiB, MiB or GiB
  awk -v k="$1" 'BEGIN { if (k >= 1048576) printf "%.1f GiB", k / 1048576
    else if (k >= 1024) printf "%.0f MiB", k / 1024; else printf "%d KiB", k }'
}

# A make of glibc says nothing for minutes: while a step lasts, a ticker
# repeats it every 30 s with the time it has taken. It goes with the next
# step, on exit, and of itself within 30 s should this script be killed.
ticker=
tick() { # what, detail
  quiet
  local start=$SECONDS
  (
    pause=
    trap 'kill "$pause" 2>/dev/null; exit 0' TERM
    while :; do
      sleep 30 >/dev/null 2>&1 &
      pause=$!
      wait "$pause"
      kill -0 $$ 2>/dev/null || exit 0
      echo "=== $1 ($(duration $((SECONDS - start))) so far; $2)" >&2
    done
  ) </dev/null >/dev/null 9>&- &
  ticker=$!
}
quiet() {
  [ -n "$ticker" ] || return 0
  kill "$ticker" 2>/dev/null || true
  wait "$ticker" 2>/dev/null || true
  ticker=
}
say() {
  echo "=== $* (at $(duration $SECONDS))" | tee -a "$log" >&2
  tick "$*" "log: $log"
}

# What the runtime is made of; its hash names it. The options unquoted: one
# line for their several.
# shellcheck disable=SC2086
describe() {
  local package
  for package in $packages; do
    echo "$package $(version "$package")"
  done
  $cc --version | head -n 1
  echo "flags $flags"
  echo "gcc options" $common_gcc_options $gcc_options
  [ "$target" = mingw32 ] || echo "glibc options" $glibc_options "$glibc_cppflags"
  sha256sum <"$0" | cut -d ' ' -f 1
}

run() {
  # In a ( cd ... && run ... ): a subshell has its own traps.
  [ "$BASH_SUBSHELL" -eq 0 ] || trap 'exit 130' INT
  echo "+ [$(date +%T)] $*" >>"$log"
  # 9>&-: the cache's lock is this script's, not to outlive it in a make.
  "$@" >>"$log" 2>&1 9>&- || {
    quiet
    echo "build_runtime.sh: failed: $*; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  }
}

# GCC's tree, unpacked into the build's temporary directory: 15 s here,
# against 1 GB kept for the next change of inputs.
unpack_gcc() {
  say "unpacking GCC's sources"
  mkdir -p "$tmp/sources"
  run tar -xf "$gcc_tarball" -C "$tmp/sources"
  # The one Debian patch that reaches the C++ headers Debian installs.
  run patch -d "$tmp/sources/gcc-12.2.0" -p2 -i /usr/src/gcc-12/patches/cuda-float128.diff
  gcc_src=$tmp/sources/gcc-12.2.0
}
# A source package's tree, unpacked into the build's temporary directory.
# glibc's comes from glibc-source; the others through apt-get source, whose
# download is kept in the cache's downloads/, one directory per version.
fetch_source() { # package version -> $fetched
  local dir=$tmp/sources/$1
  mkdir -p "$dir"
  if [ "$1" = glibc ]; then
    say "unpacking glibc $2 from glibc-source"
    run tar -xf "$glibc_tarball" -C "$dir"
    fetched=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    return
  fi
  local download=$cache/downloads/$1_$2 output
  if [ ! -e "$download/.complete" ]; then
    say "fetching $1 $2 with apt-get source"
    rm -rf "$download" && mkdir -p "$download"
    if ! output=$(cd "$download" && apt-get source -q --download-only --only-source "$1=$2" 2>&1 9>&-); then
      quiet
      rm -rf "$download"
      printf '%s\n' "$output" >>"$log"
      if [[ $output == *"'deb-src' URIs"* ]]; then
        echo "build_runtime.sh: apt has no deb-src entry, and $1's source comes only through apt-get" \
          "source: add one (a copy of /etc/apt/sources.list.d/debian.sources with Types: deb-src)," \
          "run apt-get update, and try again" >&2
      else
        echo "build_runtime.sh: apt-get source $1=$2 failed (after apt-get update?):" >&2
        grep '^[EW]:' <<<"$output" >&2 || true
      fi
      exit 1
    fi
    printf '%s\n' "$output" >>"$log"
    touch "$download/.complete"
  fi
  say "unpacking $1 $2"
  run dpkg-source -x "$download"/*.dsc "$dir/tree"
  fetched=$dir/tree
}

# libgcc and libstdc++ from the GCC tree, installed into $tmp/gcc-install.
build_gcc_libraries() { # target-cc target-cxx
  local build=$tmp/gcc tool
  # GCC's configure looks for the target's binutils as $triplet-nm and the
  # like, and the wrappers it writes into gcc/ (libgcc's build calls its nm)
  # run what it found; a Linux host has them under their plain names.
  mkdir -p "$build" "$tmp/bin"
  for tool in ar as ld nm objdump ranlib readelf strip; do
    command -v "$triplet-$tool" >/dev/null || ln -s "$(command -v "$tool")" "$tmp/bin/$triplet-$tool"
  done
  PATH=$tmp/bin:$PATH
  say "configuring GCC's tree for $triplet"
  # shellcheck disable=SC2086
  (cd "$build" && run "$gcc_src/configure" --build=x86_64-linux-gnu --host=x86_64-linux-gnu \
    --target=$triplet $common_gcc_options $gcc_options)
  say "generating the headers libgcc reads from GCC's directory"
  run make -C "$build" -j"$jobs" configure-gcc all-build-libiberty
  mkdir -p "$build/gcc/include"
  run make -C "$build/gcc" -j"$jobs" tconfig.h tm.h options.h insn-modes.h insn-constants.h version.h
  # Left set, libgcc would be built with -Dinhibit_libc, as Debian's is not.
  run make -C "$build/gcc" -o xgcc -o specs libgcc.mvars INHIBIT_LIBC_CFLAGS=
  local tools=(CC_FOR_TARGET="$1" GCC_FOR_TARGET="$1" CXX_FOR_TARGET="$2" RAW_CXX_FOR_TARGET="$2"
    CFLAGS_FOR_TARGET="$flags" CXXFLAGS_FOR_TARGET="$flags")
  # -o: the compiler itself is not built; the installed one stands in.
  local skip=(-o all-gcc -o maybe-all-gcc)
  say "building libgcc"
  run make -C "$build" -j"$jobs" "${skip[@]}" "${tools[@]}" all-target-libgcc
  say "building libstdc++"
  run make -C "$build" -j"$jobs" "${skip[@]}" "${tools[@]}" all-target-libstdc++-v3
  say "installing libgcc and libstdc++"
  run make -C "$build" "${skip[@]}" "${tools[@]}" DESTDIR="$tmp/gcc-install" \
    install-target-libgcc install-target-libstdc++-v3
  gcc_lib=$tmp/gcc-install/usr/lib/gcc/$triplet/12
}

# lib/ and include/c++ for the driver's -B, -L and -isystem.
lay_out() { # library directory, C++ header directory
  mkdir -p "$1" "$2"
  cp -a "$gcc_lib"/include/c++/. "$2"/
  cp -a "$gcc_lib"/*.a "$gcc_lib"/crt*.o "$1"/
}

build_mingw32() {
  fetch_source mingw-w64 "$(source_version mingw-w64-i686-dev)"
  local crt=$tmp/crt
  mkdir -p "$crt"
  say "configuring the MinGW-w64 CRT"
  (cd "$crt" && run "$fetched/mingw-w64-crt/configure" --host=$triplet --prefix=/ \
    --with-sysroot=/usr/$triplet --disable-lib64 --enable-lib32 \
    CC="$cc" CFLAGS="$flags" AR=$triplet-ar RANLIB=$triplet-ranlib \
    DLLTOOL=$triplet-dlltool AS=$triplet-as)
  say "building the MinGW-w64 CRT"
  run make -C "$crt" -j"$jobs"
  run make -C "$crt" install DESTDIR="$tmp/crt-install"
  unpack_gcc
  build_gcc_libraries "$cc" "$cxx"
  say "laying out the runtime"
  mkdir -p "$tmp/out/lib"
  cp -a "$tmp/crt-install"/lib*/. "$tmp/out/lib"/
  lay_out "$tmp/out/lib" "$tmp/out/include/c++"
}

# glibc, installed into the sysroot $1.
build_glibc() {
  fetch_source glibc "$(source_version libc6-dev)"
  # The x86 uapi headers serve both word sizes. MAKEINFO=: below: Debian's
  # sources have no manual to install.
  local headers=$tmp/kernel-headers
  mkdir -p "$headers" "$tmp/glibc"
  cp -a /usr/include/linux /usr/include/asm-generic "$headers"/
  cp -a /usr/include/x86_64-linux-gnu/asm "$headers"/
  say "configuring glibc"
  # shellcheck disable=SC2086
  (cd "$tmp/glibc" && run "$fetched/configure" --host=$triplet --build=x86_64-linux-gnu \
    --prefix=/usr --libdir=/usr/lib/i386-linux-gnu --with-headers="$headers" $glibc_options \
    CC="$cc" CXX="$cxx" CPPFLAGS="$glibc_cppflags" CFLAGS='-g -O2' CXXFLAGS='-g -O2' AR=ar \
    RANLIB=ranlib MAKEINFO=:)
  say "building glibc"
  run make -C "$tmp/glibc" -j"$jobs"
  say "installing glibc"
  run make -C "$tmp/glibc" install DESTDIR="$1"
  cp -a "$headers"/. "$1/usr/include"/
}

# glibc takes most of the time: it is kept on its own, named for what it is
# made from and for the function that builds it, so that a change to the
# rest does not build it again.
glibc_name() {
  echo "glibc-$(printf '%s\n' "$(source_version libc6-dev)" "$cc" "$($cc --version | head -n 1)" \
    "$glibc_options $glibc_cppflags" "$(declare -f build_glibc)" | sha256sum | cut -c 1-12)"
}

build_linux32() {
  if [ ! -e "$cache/$glibc/.complete" ]; then
    build_glibc "$tmp/glibc-install/sysroot"
    touch "$tmp/glibc-install/.complete"
    rm -rf "${cache:?}/$glibc" "$tmp/glibc" "$tmp/sources/glibc"
    mv "$tmp/glibc-install" "$cache/$glibc"
  fi
  unpack_gcc
  local sysroot=$tmp/out/sysroot
  mkdir -p "$tmp/out"
  cp -a "$cache/$glibc/sysroot" "$sysroot"
  # Debian's multilib driver looks in <-B dir>/i386-linux-gnu/ before the
  # host's 32-bit directories, and in a --sysroot's usr/include for headers.
  local driver="--sysroot=$sysroot -B$sysroot/usr/lib/"
  build_gcc_libraries "$cc $driver" "$cxx $driver"
  say "laying out the runtime"
  lay_out "$sysroot/usr/lib/i386-linux-gnu" "$sysroot/usr/include/c++"
  # Clang takes start files and libgcc from the newest GCC installation it
  # finds, the sysroot's first among equals: one of version 12 there.
  local clang_gcc=$sysroot/usr/lib/gcc/$triplet/12 file
  mkdir -p "$clang_gcc"
  for file in "$sysroot"/usr/lib/i386-linux-gnu/{crt*.o,libgcc.a,libgcc_eh.a}; do
    ln -s "../../../i386-linux-gnu/${file##*/}" "$clang_gcc/"
  done
  # Only static links: nothing may resolve to a shared object here.
  find "$sysroot" \( -name '*.so' -o -name '*.so.*' \) -delete
}

# One build at a time per cache. The lock file says who holds it; a holder
# that is not this script is found in the kernel's table.
lock=$cache/.lock
locked=
hold() {
  locked=yes
  echo "pid $$, build_runtime.sh $target, since $(date +%T); log: $log" >"$lock"
}
holder() {
  local who inode pid
  who=$(cat "$lock" 2>/dev/null) || true
  if [ -z "$who" ]; then
    inode=$(stat -c %i "$lock")
    pid=$(awk -v inode="$inode" '$2 == "FLOCK" && $6 ~ ":" inode "$" { print $5; exit }' /proc/locks)
    who="pid ${pid:-?}: $(ps -o args= -p "${pid:-0}" 2>/dev/null || echo 'exited, a process it started holds it')"
  fi
  echo "$who"
}
take_lock() {
  if ! flock -n 9; then
    echo "=== waiting for another runtime build (lock $lock, held by $(holder))" >&2
    tick "waiting for another runtime build" "lock $lock"
    flock 9
    quiet
  fi
  hold
}

# What no current input names goes: this target's other runtimes and logs,
# for linux32 other builds of glibc, downloads of other source versions,
# what interrupted builds left (the lock is held: no build is running), and
# sources/, where this script once unpacked its sources. The other target's
# runtime stays: it is current for that target.
prune() {
  local entry kib freed=0 current
  current=$cache/downloads/mingw-w64_$(source_version mingw-w64-i686-dev 2>/dev/null || true)
  shopt -s nullglob
  for entry in "$cache/$target"-* ${glibc:+"$cache"/glibc-*} "$cache"/downloads/* "$cache"/sources \
    "$cache"/.{mingw32,linux32}-*; do
    [ -e "$entry" ] || continue
    case $entry in
    "$out" | "$out.log" | "$cache/$glibc" | "$current" | "${tmp:-}") continue ;;
    esac
    kib=$(du -sk "$entry" | cut -f 1)
    rm -rf "$entry"
    echo "=== removed ${entry#"$cache"/} ($(size "$kib")): nothing current names it" >&2
    freed=$((freed + kib))
  done
  shopt -u nullglob
  [ "$freed" -eq 0 ] || echo "=== $(size "$freed") freed in $cache" >&2
}

finish() {
  quiet
  [ -z "${tmp:-}" ] || rm -rf "$tmp"
  # Released on exit: no holder to name any more.
  [ -z "$locked" ] || : >"$lock"
}
trap finish EXIT
# Ahead of the failure a step interrupted with the rest would report.
trap 'echo "build_runtime.sh: interrupted" >&2; exit 130' INT

missing=
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "build_runtime.sh: the $target runtime is built from packages not installed:$missing" \
    "(apt-get install$missing)" >&2
  exit 1
fi
glibc=
if [ "$target" = linux32 ]; then
  if [ "$(source_version glibc-source)" != "$(source_version libc6-dev)" ]; then
    echo "build_runtime.sh: glibc-source is $(source_version glibc-source), libc6-dev is built from glibc" \
      "$(source_version libc6-dev): install glibc-source $(source_version libc6-dev)" \
      "(apt-get install glibc-source=$(source_version libc6-dev))" >&2
    exit 1
  fi
  glibc=$(glibc_name)
fi
description=$(describe)
name=$target-$(sha256sum <<<"$description" | cut -c 1-12)
out=$cache/$name
log=$cache/$name.log
mkdir -p "$cache"
exec 9>>"$lock"
if [ -e "$out/.complete" ]; then
  # Another build holding the lock prunes when it ends.
  if flock -n 9; then
    hold
    prune
  fi
  echo "$out"
  exit 0
fi

take_lock
if [ ! -e "$out/.complete" ]; then
  # How long: docs/building.md. The ticks show how far it is.
  echo "=== building the i586 runtime $name${glibc:+$([ -e "$cache/$glibc/.complete" ] || echo ", glibc first")};" \
    "log: $log" >&2
  printf '%s\n' "$description" >"$log"
  tmp=$(mktemp -d "$cache/.$name.XXXXXX")
  "build_$target"
  touch "$tmp/out/.complete"
  rm -rf "$out"
  mv "$tmp/out" "$out"
  say "removing the build's temporary directory"
  rm -rf "$tmp"
  quiet
  echo "=== done in $(duration $SECONDS): $out" | tee -a "$log" >&2
fi
prune
echo "$out"
