#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks every file an
# installed copy needs, with the tools a desktop and `man` check them with,
# and that the installed programs answer --help and --version without a
# display, without a network description and without writing anything.
#   install_tree_test.sh BUILD_DIR VERSION GUI(0|1)
set -euo pipefail
build=$1 version=$2 gui=$3
app_id=example.copperlathe.kestrune

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# --wait as a manual page writes it: \-\-wait
roff_option() { printf '%s' "$1" | sed 's/-/\\-/g'; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
  { cat "$work/install.log"; exit 1; }
usr=$work/root/usr

source "$(dirname "$0")/installed_files.sh"
expected=("${installed_files[@]}")
for f in "${expected[@]}"; do
  [ -s "$usr/$f" ] || fail "not installed or empty: $f"
done
for f in "$usr"/bin/*; do
  [ -x "$f" ] || fail "not executable: $f"
done
# Nothing else: no tests, benchmarks or libraries of the build.
(cd "$usr" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/installed"; then fail "installed files differ from the list"; fi

# Manual pages: clean for mandoc's lint, down to style, and for groff.
pages=("$usr/share/man/man1/krcmd.1")
[ "$gui" = 1 ] && pages+=("$usr/share/man/man1/kestrune.1")
for page in "${pages[@]}"; do
  if ! out=$(mandoc -T lint -W style "$page" 2>&1) || [ -n "$out" ]; then
    fail "mandoc lint: $page"$'\n'"$out"
  fi
  if ! out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
      [ -n "$out" ]; then
    fail "man --warnings: $page"$'\n'"$out"
  fi
  grep -q "Kestrune $version" "$page" || fail "$page does not carry version $version"
done

# Every long option krcmd lists is documented in its page.
"$usr/bin/krcmd" --help >"$work/krcmd-help"
for option in $(grep -o -- '--[a-z][a-z-]*' "$work/krcmd-help" | sort -u); do
  grep -qF -- "$(roff_option "$option")" "$usr/share/man/man1/krcmd.1" ||
    fail "krcmd.1 does not document $option"
done
[ "$("$usr/bin/krcmd" --version)" = "krcmd (Kestrune) $version" ] || fail "krcmd --version"

if [ "$gui" = 1 ]; then
  desktop=$usr/share/applications/$app_id.desktop
  if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate"$'\n'"$out"
  fi
  # --no-net: the validator would otherwise fetch the addresses it finds.
  metainfo=$usr/share/metainfo/$app_id.metainfo.xml
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 ||
    fail "appstreamcli validate"$'\n'"$(cat "$work/appstream")"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $app_id.desktop"
  grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry does not name icon $app_id"
  # The program gives the window system the same name, which ties its
  # windows to the entry and its icon.
  grep -qaF "$app_id" "$usr/bin/kestrune" || fail "kestrune does not call itself $app_id"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$usr/bin/$exec_name" ] || fail "desktop entry runs $exec_name, which is not installed"
  python3 -c 'import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
    "$usr/share/icons/hicolor/scalable/apps/$app_id.svg" || fail "the icon is not an SVG document"

  # --help and --version: with the offscreen platform and with none at all,
  # never a display, and no network description anywhere to be found.
  for platform in offscreen ""; do
    home=$work/home-${platform:-none}
    mkdir -p "$home"
    run=(env -u DISPLAY -u WAYLAND_DISPLAY -u NWSIM_NETWORK -u NWSIM_STATS
         HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
         QT_QPA_PLATFORM="$platform" "$usr/bin/kestrune")
    if ! "${run[@]}" --help >"$work/help" 2>"$work/help.err"; then
      fail "kestrune --help (platform '${platform}') failed: $(cat "$work/help.err")"
    fi
    grep -q -- '--version' "$work/help" || fail "kestrune --help does not list --version"
    grep -q 'path' "$work/help" || fail "kestrune --help does not name the path argument"
    out=$("${run[@]}" --version 2>/dev/null) || fail "kestrune --version (platform '${platform}') failed"
    [ "$out" = "Kestrune $version" ] || fail "kestrune --version printed '$out'"
    [ -z "$(find "$home" -mindepth 1 -print -quit)" ] ||
      fail "kestrune --help/--version wrote: $(find "$home" -mindepth 1)"
  done
  for option in $(grep -o -- '--[a-z][a-z-]*' "$work/help" | sort -u); do
    grep -qF -- "$(roff_option "$option")" "$usr/share/man/man1/kestrune.1" ||
      fail "kestrune.1 does not document $option"
  done
fi

[ "$failures" -eq 0 ] && echo "installed tree: ${#expected[@]} files checked" && exit 0
exit 1
