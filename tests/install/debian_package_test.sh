#!/usr/bin/env bash
# Builds the Debian package with CPack into a temporary folder and checks it
# with dpkg-deb: its name, version, file list and declared dependencies.
#   debian_package_test.sh BUILD_DIR VERSION GUI(0|1)
set -euo pipefail
build=$1 version=$2 gui=$3
app_id=example.copperlathe.kestrune

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
arch=$(dpkg --print-architecture)
deb=$work/kestrune_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$work"; echo "FAIL: no $deb"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kestrune ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# Dependencies: what the programs link, as dpkg-shlibdeps found it, and Qt's
# SVG plugin for the icon. Nothing of the build's own tools.
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | sort)
needed=(libc6 libstdc++6 libcsv3)
[ "$gui" = 1 ] && needed+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libcurl4 libpugixml1v5)
for p in "${needed[@]}"; do
  grep -qx "$p" <<<"$names" || fail "Depends lacks $p: $depends"
done
for p in libgtest libgmock libbenchmark libasan libubsan; do
  grep -q "^$p" <<<"$names" && fail "Depends names a build tool $p: $depends"
done
# Every dependency is versioned by dpkg-shlibdeps except the plugin.
while read -r p; do
  [ -n "$p" ] || continue
  case $p in libqt6svg6) continue ;; esac
  grep -q "$p (>= " <<<"$depends" || fail "unversioned dependency $p"
done <<<"$names"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | sort >"$work/files"
source "$(dirname "$0")/installed_files.sh"
expected=("${installed_files[@]/#/usr/}")
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "package files differ from the list"
# Programs executable by everyone, files owned by root, binaries stripped.
dpkg-deb -c "$deb" | awk '$6 ~ /usr\/bin\/./ && $1 != "-rwxr-xr-x" {print}' | grep -q . &&
  fail "a program is not mode 755"
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print}' | grep -q . && fail "files not owned by root"
dpkg-deb -x "$deb" "$work/root"
for program in "$work"/root/usr/bin/*; do
  readelf -S "$program" | grep -q '\.debug_info' && fail "$(basename "$program") is not stripped"
done

[ "$failures" -eq 0 ] && echo "$(basename "$deb"): ${#expected[@]} files, Depends: $depends" && exit 0
exit 1
