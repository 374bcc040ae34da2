#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Smoke test of the Debian package: checks its control fields and contents,
# unpacks it into a temporary root (no installation), validates the desktop
# files and the MIME entry there, asks the unpacked program for its version
# without a display, and runs the unpacked quorvane-demo launcher under Xvfb
# against the simulated meter with a temporary home: the window must come
# up, pressing "Online records" must leave a recording in the documents
# folder, and the per-user folders must hold links, not copies.
#
#   package_smoke.sh [--lintian] --deb FILE    test this package
#   package_smoke.sh [--lintian] --build-dir DIR
#                                             package the built tree DIR first (cpack)
#
# --lintian also runs lintian -EvIL +pedantic and fails on any error or
# warning (scripts/package --check; a development build is not hardened).
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

deb="" build_dir="" lintian=0
if [ "${1:-}" = --lintian ]; then lintian=1; shift; fi
case "${1:-}" in
  --deb) deb=$(realpath "${2:?package file}") ;;
  --build-dir) build_dir=$(realpath "${2:?build folder}") ;;
  *) sed -n '2,18s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac

tools=(dpkg-deb Xvfb xdotool xwininfo desktop-file-validate appstreamcli
       update-mime-database xdg-mime mimetype)
[ $lintian = 1 ] && tools+=(lintian)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/deps)"; exit 77; }
done

tmp=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
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
maintainer=$(dpkg-deb -f "$deb" Maintainer)
[[ $maintainer == *" <"*@*">" && $maintainer != *.invalid\>* ]] || fail "Maintainer is not an address: $maintainer"
[[ $(dpkg-deb -f "$deb" Homepage) == https://* ]] || fail "no Homepage"
version=$(dpkg-deb -f "$deb" Version)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+-[0-9]+$ ]] || fail "Version $version is not upstream-revision"
upstream=${version%-*}

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
  ./usr/share/mime/packages/io.github.quorvane.Quorvane.xml
  ./usr/share/icons/hicolor/48x48/apps/io.github.quorvane.Quorvane.png
  ./usr/share/icons/hicolor/scalable/apps/io.github.quorvane.Quorvane.svg
  ./usr/share/man/man1/quorvane.1.gz ./usr/share/man/man1/quorvane-demo.1.gz
  ./usr/share/doc/quorvane/copyright ./usr/share/doc/quorvane/changelog.Debian.gz
  ./usr/share/doc/quorvane/changelog.gz
  ./usr/lib/udev/rules.d/70-quorvane.rules
  ./usr/bin/quorvane-station ./usr/share/man/man1/quorvane-station.1.gz
  ./usr/lib/systemd/system/quorvane-station.service
  ./usr/lib/sysusers.d/quorvane.conf ./usr/lib/tmpfiles.d/quorvane.conf
  ./etc/quorvane/station.conf ./usr/share/doc/quorvane/examples/station.conf
)
for path in "${expected[@]}"; do
  grep -q " $path\$" "$tmp/contents" || fail "missing $path"
done
awk '$1 !~ /^d/ && $2 != "root/root" {print "FAIL: not owned by root: " $NF; bad=1} END {exit bad}' "$tmp/contents" ||
  failures=$((failures + 1))
grep -E ' \./usr/bin/quorvane(-demo)?$' "$tmp/contents" | grep -qv '^-rwxr-xr-x' && fail "launchers not executable"
grep -q '\.qzx$' "$tmp/contents" && fail "a recording from a development run was packaged"
dpkg-deb --ctrl-tarfile "$deb" | tar -t > "$tmp/control-files"
grep -qx './postrm' "$tmp/control-files" || fail "no postrm of our own"
if dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postrm 2>/dev/null | grep -v '^[[:space:]]*#' | grep -q ldconfig; then
  fail "postrm calls ldconfig"
fi
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null | grep -qx /etc/quorvane/station.conf ||
  fail "the station's configuration is no conffile"

if [ $lintian = 1 ]; then
  step "lintian -EvIL +pedantic"
  lintian -EvIL +pedantic --no-tag-display-limit "$deb" > "$tmp/lintian.log" 2>&1 || true
  grep -E '^[EWIPX]: ' "$tmp/lintian.log" || true
  if grep -qE '^[EW]: ' "$tmp/lintian.log"; then fail "lintian reports errors or warnings"; fi
fi

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
  grep -q '^StartupWMClass=' "$desktop" || fail "$(basename "$desktop"): no StartupWMClass"
done
main_desktop=$root/usr/share/applications/io.github.quorvane.Quorvane.desktop
grep -qx 'MimeType=application/x-quorvane-record;' "$main_desktop" || fail "the desktop file takes no recordings"
grep -qx 'Exec=quorvane %f' "$main_desktop" || fail "the desktop file passes no file"
if ldd "$root/usr/lib/quorvane/quorvane" | grep 'not found'; then fail "unresolved libraries"; fi

step "--version without a display"
home="$tmp/home"
mkdir -p "$home"
if out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" "$root/usr/bin/quorvane" --version 2>&1); then
  [ "$out" = "quorvane $upstream" ] || fail "--version printed [$out], the package is $version"
else
  fail "--version failed: $out"
fi
[ -z "$(ls -A "$home")" ] || fail "--version made folders: $(ls -A "$home")"

step "the station from the unpacked package"
station="$root/usr/bin/quorvane-station"
if ldd "$station" | grep 'not found'; then fail "the station has unresolved libraries"; fi
ldd "$station" | grep -E 'libQt6(Gui|Widgets)' && fail "the station links Qt Gui or Widgets"
out=$(env -u DISPLAY "$station" --version 2>&1) || fail "quorvane-station --version failed: $out"
[ "$out" = "quorvane-station $upstream" ] || fail "quorvane-station --version printed [$out]"
# The shipped configuration as it is: every key commented, the defaults.
if out=$(QUORVANE_SYSFS_ROOT="$tmp/no-sys" QUORVANE_LOCK_DIR="$tmp/locks" \
         "$station" --check-config --config "$root/etc/quorvane/station.conf" 2>&1); then
  grep -q 'every meter found' <<< "$out" || fail "--check-config of the shipped file: $out"
else
  fail "--check-config refused the shipped file: $out"
fi
cmp -s "$root/etc/quorvane/station.conf" "$root/usr/share/doc/quorvane/examples/station.conf" ||
  fail "the example is not the shipped configuration"
unit="$root/usr/lib/systemd/system/quorvane-station.service"
grep -qx 'ExecStart=/usr/bin/quorvane-station --config /etc/quorvane/station.conf' "$unit" ||
  fail "the unit starts something else: $(grep ExecStart "$unit")"
for line in Type=notify WatchdogSec=30 Restart=on-failure StateDirectory=quorvane User=quorvane \
            SupplementaryGroups=plugdev 'DeviceAllow=char-usb_device rw' ProtectSystem=strict; do
  grep -qx "$line" "$unit" || fail "the unit lacks $line"
done
if command -v systemd-analyze >/dev/null; then
  # Checked against the unpacked tree; the program path is found there.
  sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$unit" > "$tmp/quorvane-station.service"
  if ! systemd-analyze verify --man=no "$tmp/quorvane-station.service" > "$tmp/verify.log" 2>&1; then
    cat "$tmp/verify.log"; fail "systemd-analyze verify"
  fi
fi

step "MIME type of recordings"
update-mime-database "$root/usr/share/mime" > "$tmp/mime.log" 2>&1 || { cat "$tmp/mime.log"; fail "update-mime-database"; }
printf '\x50\x1a\x38\x70' > "$tmp/x.qzx"
mime=$(env XDG_DATA_DIRS="$root/usr/share" XDG_DATA_HOME="$tmp/no-data" XDG_CURRENT_DESKTOP=X-Generic \
  xdg-mime query filetype "$tmp/x.qzx" 2>&1) || true
[ "$mime" = application/x-quorvane-record ] || fail "xdg-mime query filetype x.qzx: $mime"

step "running the unpacked quorvane-demo under Xvfb"
mkdir -p "$home/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/My Documents"' > "$home/.config/user-dirs.dirs"
work="$home/My Documents/Quorvane"
state="$home/.local/state/quorvane"
cat > "$tmp/run.sh" <<'RUN'
#!/usr/bin/env bash
# Inside Xvfb: start the demo, wait until it can record, press "Online
# records" and wait for the recording. "Online records" names the file after
# the clock the one-second tick reads, so a press before the first tick only
# gets an error box (which then blocks every later press): the press waits
# for the first tick, seen in the simulated meter's request log as the link
# check's close and reopen. Every wait has a deadline far beyond what an idle
# machine needs, so a loaded machine only makes the test slower.
root=$1 work=$2 log=$3 simlog=$4
export METERSIM_LOG_FILE=$simlog
"$root/usr/bin/quorvane-demo" > "$log" 2>&1 &
pid=$!
started=$SECONDS
give_up() { echo "FAIL: $*"; xwininfo -root -tree | grep -v 'has no name'; cat "$log"; exit 1; }
wait_for() { # what, deadline in s, command...
  local what=$1 limit=$2; shift 2
  until "$@"; do
    kill -0 $pid 2>/dev/null || give_up "the program ended while waiting for $what"
    [ $((SECONDS - started)) -lt "$limit" ] || give_up "no $what after $limit s"
    sleep 0.1
  done
}
window() { wid=$(xdotool search --onlyvisible --name '^ Quorvane' 2>/dev/null | head -1); [ -n "$wid" ]; }
first_tick() { grep -q 'usb_open .*handle=2' "$simlog" 2>/dev/null; }
recording() { file=$(find "$work" -maxdepth 1 -iname '*.qzx' "$@" | head -1); [ -n "$file" ]; }
wait_for "window titled \" Quorvane\"" 90 window
wait_for "first tick" 90 first_tick
echo "window and first tick after $((SECONDS - started)) s"
# The toolbar starts at (10, 25) in the window; buttons are 79 wide; the
# third one is "Online records".
xdotool mousemove --sync --window "$wid" $((10 + 2 * 79 + 40)) $((25 + 40)) click 1
wait_for "recording file" 120 recording
wait_for "first reading in the recording" 150 recording -size +0
sleep 1
kill -0 $pid 2>/dev/null || give_up "the program ended while recording"
kill $pid 2>/dev/null; wait $pid 2>/dev/null
echo "recording: $(basename "$file"), $(stat -c %s "$file") bytes, after $((SECONDS - started)) s"
RUN
# Our own X server, on a display number it picks itself (-displayfd) and
# reports once it accepts connections: xvfb-run -a chooses a number before
# starting the server, which races with other X servers started at the same
# time on a busy machine (seen: "could not connect to display").
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$tmp/display" > "$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
xvfb_started=$SECONDS
until [ -s "$tmp/display" ] || ! kill -0 $xvfb_pid 2>/dev/null || [ $((SECONDS - xvfb_started)) -ge 60 ]; do
  sleep 0.1
done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
timeout 240 env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u WAYLAND_DISPLAY HOME="$home" \
  DISPLAY=":$(head -1 "$tmp/display")" bash "$tmp/run.sh" "$root" "$work" "$tmp/app.log" "$tmp/sim.log" ||
  fail "the demo run"
share="$root/usr/share/quorvane"
[ "$(readlink "$work/ico")" = "$share/ico" ] || fail "ico in the working folder is not a link into the package"
[ "$(readlink "$work/Export.vornic")" = "$share/Export.vornic" ] || fail "the template is not a link into the package"
for f in ico/min.bmp ico/max.bmp ico/Open.avi ico/exchange.avi ico/palmpilot.avi Export.vornic; do
  cmp -s "$share/$f" "$work/$f" || fail "$f not in the working folder"
done
grep -qx "card_image = $state/card.img" "$state/metersim.conf" || fail "the demo meter got no card"
[ -s "$state/card.img" ] || fail "no card image in the state folder"
footprint=$(du -sk --exclude='*.qzx' "$work" "$state" | awk '{kb += $1} END {print kb}')
echo "per-user footprint besides recordings: $footprint KiB"
[ "$footprint" -lt 1024 ] || fail "the per-user folders take $footprint KiB: $(du -ak "$work" "$state")"
[ -e "$home/.local/share/quorvane" ] && fail "the old hidden folder was made"

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "package smoke test passed"
