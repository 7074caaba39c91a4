#!/usr/bin/env bash
# The Debian packages: built with cpack from the build tree, their file lists and
# dependencies checked, and installed with dpkg into a scratch root.
#   deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
major=${version%%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

start=$SECONDS
cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
echo "cpack: $((SECONDS - start)) s"

# package | the files it holds (directories left out; * matches the build type)
rows=(
  "libkestrel$major|./usr/lib/libkestrel.so.$major ./usr/lib/libkestrel.so.$version ./usr/lib/udev/rules.d/70-kestrel-reader.rules"
  "libkestrel-dev|./usr/include/kestrel.h ./usr/include/kestrel/reader.h ./usr/lib/libkestrel.so ./usr/lib/pkgconfig/kestrel.pc ./usr/lib/cmake/kestrel/kestrelConfig.cmake ./usr/lib/cmake/kestrel/kestrelConfigVersion.cmake ./usr/lib/cmake/kestrel/kestrelTargets.cmake ./usr/lib/cmake/kestrel/kestrelTargets-*.cmake"
  "kestrel-tools|./usr/bin/kestrel-gateway ./usr/bin/kestrel-llrp ./usr/bin/plover ./usr/bin/readersim ./usr/lib/systemd/system/kestrel-gateway.service ./usr/share/applications/plover.desktop ./usr/share/kestrel-gateway/gateway.example.toml ./usr/share/man/man1/readersim.1.gz ./usr/share/readersim/scenarios/default.json"
)
debs=()
for row in "${rows[@]}"; do
  IFS='|' read -r package files <<<"$row"
  deb=$(ls "$work/out/${package}_${version}_"*.deb 2>/dev/null) || fail "no package $package"
  debs+=("$deb")
  [ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "$deb is not $package"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$package version"
  actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
  read -r -a want <<<"$files"
  [ "$(wc -l <<<"$actual")" = "${#want[@]}" ] || fail "$package holds: $actual"
  for pattern in "${want[@]}"; do
    found=0
    while read -r f; do
      # shellcheck disable=SC2053
      [[ $f == $pattern ]] && found=1
    done <<<"$actual"
    [ $found = 1 ] || fail "$package lacks $pattern; it holds: $actual"
  done
done

# Dependencies: package | what its Depends must name
deps=(
  "libkestrel$major|libusb-0.1-4|libc6|libstdc++6"
  "libkestrel-dev|libkestrel$major (= $version)"
  "kestrel-tools|libkestrel$major (= $version)|fonts-wqy-microhei|libqt6widgets6|libqt6gui6|libqt6core6|libsqlite3-0|libmosquitto1"
)
for row in "${deps[@]}"; do
  IFS='|' read -r -a fields <<<"$row"
  package=${fields[0]}
  depends=$(dpkg-deb -f "$work/out/${package}_${version}_"*.deb Depends)
  for name in "${fields[@]:1}"; do
    [[ ", $depends," == *", $name"[\ ,]* ]] || fail "$package Depends lacks $name: $depends"
  done
done
# The library package carries its shlibs entry.
dpkg-deb -I "${debs[0]}" shlibs | grep -e "^libkestrel $major libkestrel$major" >/dev/null || fail "no shlibs entry"

# Installed into a scratch root, with a dpkg database of its own.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The library's postinst runs ldconfig; outside the root (the scratch root has no shell),
# and against a stand-in that only notes the call, so the machine's cache stays untouched.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "ldconfig $*" >>"%s/ldconfig.calls"\n' "$work" >"$work/bin/ldconfig"
chmod +x "$work/bin/ldconfig"
as_root=()
[ "$(id -u)" = 0 ] || as_root=(fakeroot)
PATH="$work/bin:$PATH" "${as_root[@]}" dpkg --root="$root" --force-depends --force-not-root \
  --force-script-chrootless -i "${debs[@]}" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
[ -s "$work/ldconfig.calls" ] || fail "the library's postinst did not run ldconfig"
for row in "${rows[@]}"; do
  package=${row%%|*}
  dpkg --root="$root" -s "$package" | grep -e '^Status: install ok installed' >/dev/null || fail "$package not installed"
done
[ -e "$root/usr/lib/libkestrel.so.$major" ] || fail "the library is not in the scratch root"
grep -qx 'prefix=/usr' "$root/usr/lib/pkgconfig/kestrel.pc" || fail "kestrel.pc does not name /usr"
"$root/usr/bin/readersim" --version | grep -x -e "readersim (kestrel) $version" >/dev/null || fail "installed readersim --version"
zcat "$root/usr/share/man/man1/readersim.1.gz" | grep -e 'reader settings, tags and faults' >/dev/null || fail "the manual lacks the options"
echo "packages built, checked and installed in $((SECONDS - start)) s"
