#!/usr/bin/env bash
# Smoke test of the Debian package: checks its control fields and contents,
# unpacks it into a temporary root (no installation), validates the desktop
# files there, and runs the unpacked quorvane-demo launcher under Xvfb
# against the simulated meter with a temporary XDG data home: the window
# must come up, and pressing "Online records" must leave a recording in the
# per-user folder.
#
#   package_smoke.sh --deb FILE         test this package
#   package_smoke.sh --build-dir DIR    package the built tree DIR first (cpack)
#
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

deb="" build_dir=""
case "${1:-}" in
  --deb) deb=$(realpath "${2:?package file}") ;;
  --build-dir) build_dir=$(realpath "${2:?build folder}") ;;
  *) sed -n '2,12s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac

for tool in dpkg-deb xvfb-run xdotool xwininfo desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/deps)"; exit 77; }
done

tmp=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "--- $*"; }

if [ -n "$build_dir" ]; then
  step "packaging $build_dir"
  cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$tmp/pkg" > "$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
  deb=$(ls "$tmp"/pkg/quorvane_*.deb)
fi
echo "package: $deb"

step "control fields"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libusb-0.1-4 libqt6widgets6 qt6-qpa-plugins libc6; do
  [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed"
done
[ "$(dpkg-deb -f "$deb" Package)" = quorvane ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"

step "contents"
dpkg-deb -c "$deb" > "$tmp/contents"
expected=(
  ./usr/bin/quorvane ./usr/bin/quorvane-demo
  ./usr/lib/quorvane/quorvane ./usr/lib/quorvane/libmetersim.so ./usr/lib/quorvane/workdir.sh
  ./usr/share/quorvane/Export.vornic
  ./usr/share/quorvane/ico/min.bmp ./usr/share/quorvane/ico/max.bmp ./usr/share/quorvane/ico/Open.avi
  ./usr/share/quorvane/ico/exchange.avi ./usr/share/quorvane/ico/palmpilot.avi
  ./usr/share/quorvane/demo/card.img.gz
  ./usr/share/applications/io.github.quorvane.Quorvane.desktop
  ./usr/share/applications/io.github.quorvane.Quorvane.Demo.desktop
  ./usr/share/metainfo/io.github.quorvane.Quorvane.metainfo.xml
  ./usr/share/icons/hicolor/48x48/apps/io.github.quorvane.Quorvane.png
  ./usr/share/icons/hicolor/scalable/apps/io.github.quorvane.Quorvane.svg
  ./usr/lib/udev/rules.d/70-quorvane.rules
)
for path in "${expected[@]}"; do
  grep -q " $path\$" "$tmp/contents" || fail "missing $path"
done
awk '$1 !~ /^d/ && $2 != "root/root" {print "FAIL: not owned by root: " $NF; bad=1} END {exit bad}' "$tmp/contents" ||
  failures=$((failures + 1))
grep -E ' \./usr/bin/quorvane(-demo)?$' "$tmp/contents" | grep -qv '^-rwxr-xr-x' && fail "launchers not executable"
grep -q '\.qzx$' "$tmp/contents" && fail "a recording from a development run was packaged"

step "unpacking"
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml > "$tmp/as.log" 2>&1 ||
  { cat "$tmp/as.log"; fail "appstreamcli validate"; }
for desktop in "$root"/usr/share/applications/*.desktop; do
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_name" ] || fail "$(basename "$desktop"): Exec=$exec_name is not in the package"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  ls "$root/usr/share/icons/hicolor/"*/apps/"$icon".* >/dev/null 2>&1 ||
    fail "$(basename "$desktop"): Icon=$icon is not in the package"
done
if ldd "$root/usr/lib/quorvane/quorvane" | grep 'not found'; then fail "unresolved libraries"; fi

step "running the unpacked quorvane-demo under Xvfb"
export XDG_DATA_HOME="$tmp/xdg data"
work="$XDG_DATA_HOME/quorvane"
cat > "$tmp/run.sh" <<'RUN'
#!/usr/bin/env bash
# Inside Xvfb: start the demo, wait for the window, press "Online records".
root=$1 work=$2 log=$3
"$root/usr/bin/quorvane-demo" > "$log" 2>&1 &
pid=$!
wid=""
for _ in $(seq 1 100); do
  wid=$(xdotool search --onlyvisible --name '^ Quorvane' 2>/dev/null | head -1) || true
  [ -n "$wid" ] && break
  kill -0 $pid 2>/dev/null || { echo "FAIL: the program ended before its window came up"; cat "$log"; exit 1; }
  sleep 0.1
done
[ -n "$wid" ] || { echo "FAIL: no window titled \" Quorvane\""; xwininfo -root -tree; cat "$log"; exit 1; }
echo "window: $(xwininfo -id "$wid" | grep -E 'xwininfo|Width|Height' | tr -s ' \n' ' ')"
sleep 1
# The toolbar starts at (10, 25) in the window; buttons are 79 wide; the
# third one is "Online records".
xdotool mousemove --window "$wid" $((10 + 2 * 79 + 40)) $((25 + 40)) click 1
recording=""
for _ in $(seq 1 100); do
  recording=$(find "$work" -maxdepth 1 -iname '*.qzx' -size +0 | head -1)
  [ -n "$recording" ] && break
  sleep 0.1
done
sleep 2
alive=yes; kill -0 $pid 2>/dev/null || alive=no
kill $pid 2>/dev/null; wait $pid 2>/dev/null
[ $alive = yes ] || { echo "FAIL: the program ended while recording"; cat "$log"; exit 1; }
[ -n "$recording" ] || { echo "FAIL: no recording in $work"; ls -la "$work"; cat "$log"; exit 1; }
echo "recording: $(basename "$recording"), $(stat -c %s "$recording") bytes"
RUN
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$tmp/run.sh" "$root" "$work" "$tmp/app.log" ||
  fail "the demo run"
for f in ico/min.bmp ico/max.bmp ico/Open.avi ico/exchange.avi ico/palmpilot.avi Export.vornic; do
  cmp -s "$root/usr/share/quorvane/$f" "$work/$f" || fail "$f not in the working folder"
done
grep -qx "card_image = $work/card.img" "$work/metersim.conf" || fail "the demo meter got no card"
[ -s "$work/card.img" ] || fail "no card image in the working folder"

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "package smoke test passed"
