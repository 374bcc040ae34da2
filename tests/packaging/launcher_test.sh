#!/usr/bin/env bash
# Runs the launchers from packaging/launcher in a throw-away installed tree
# whose program is a stand-in that reports where and how it was started.
# Usage: launcher_test.sh <packaging source folder>
set -uo pipefail
src=$(cd "${1:?packaging folder}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected [$3], got [$2]"; }
expect_file_same() { cmp -s "$2" "$3" || fail "$1: $3 differs from $2"; }

# An installed tree under "$tmp/root dir/usr" (a space in the path on purpose).
prefix="$tmp/root dir/usr"
mkdir -p "$prefix/bin" "$prefix/lib/quorvane" "$prefix/share/quorvane/ico"
cp "$src/launcher/quorvane" "$src/launcher/quorvane-demo" "$prefix/bin/"
cp "$src/launcher/workdir.sh" "$prefix/lib/quorvane/"
: > "$prefix/lib/quorvane/libmetersim.so"
cat > "$prefix/lib/quorvane/quorvane" <<'PROG'
#!/bin/sh
{ echo "cwd=$(pwd)"; echo "args=$#"; echo "LD_PRELOAD=${LD_PRELOAD:-}"
  echo "METERSIM_CONFIG=${METERSIM_CONFIG:-}"; } > "$QV_TEST_OUT"
PROG
chmod +x "$prefix/lib/quorvane/quorvane"
shipped=(ico/min.bmp ico/max.bmp ico/Open.avi ico/exchange.avi ico/palmpilot.avi Export.vornic)
for f in "${shipped[@]}"; do echo "installed $f" > "$prefix/share/quorvane/$f"; done
touch -d '2024-01-01 12:00' "$prefix/share/quorvane/ico/"* "$prefix/share/quorvane/Export.vornic"
mkdir -p "$prefix/share/quorvane/demo"
printf 'a FAT32 volume\n' > "$tmp/card"
gzip -c "$tmp/card" > "$prefix/share/quorvane/demo/card.img.gz"

export QV_TEST_OUT="$tmp/started"
reported() { sed -n "s/^$1=//p" "$QV_TEST_OUT"; }
launch() { # launcher, then environment assignments
  local launcher=$1; shift
  rm -f "$QV_TEST_OUT"
  env -u XDG_DATA_HOME -u LD_PRELOAD -u METERSIM_CONFIG HOME="$tmp/home" "$@" \
    "$launcher" extra argument > "$tmp/out" 2>&1
}

# --- first run: folder made, files copied with the installed times, program started in it
data="$tmp/data home"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$data" || fail "first run: exit status $?"
work="$data/quorvane"
expect_eq "first run: working folder" "$(reported cwd)" "$work"
expect_eq "first run: the program reads no command line" "$(reported args)" "0"
expect_eq "first run: no preload" "$(reported LD_PRELOAD)" ""
for f in "${shipped[@]}"; do
  expect_file_same "first run: $f" "$prefix/share/quorvane/$f" "$work/$f"
  [ "$work/$f" -nt "$prefix/share/quorvane/$f" ] && fail "first run: $f did not take the installed time"
done
ls "$work" "$work/ico" | grep -q '\.new\.' && fail "first run: temporary copies left behind"

# --- a later run: newer installed files replace the copies, the user's newer edit stays
echo "updated picture" > "$prefix/share/quorvane/ico/min.bmp"
touch -d '2025-06-01 12:00' "$prefix/share/quorvane/ico/min.bmp"
echo "my own template" > "$work/Export.vornic"
echo "a recording" > "$work/NGFO0509.qzx"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$data" || fail "second run: exit status $?"
expect_file_same "second run: updated picture" "$prefix/share/quorvane/ico/min.bmp" "$work/ico/min.bmp"
expect_eq "second run: edited template kept" "$(cat "$work/Export.vornic")" "my own template"
expect_eq "second run: recording kept" "$(cat "$work/NGFO0509.qzx")" "a recording"
# A copy older than the installed file is refreshed even if it was edited.
touch -d '2020-01-01' "$work/Export.vornic"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$data" || fail "third run: exit status $?"
expect_file_same "third run: stale template refreshed" "$prefix/share/quorvane/Export.vornic" "$work/Export.vornic"

# --- where the folder goes: XDG_DATA_HOME unset or relative means ~/.local/share
for case in "unset|" "relative|XDG_DATA_HOME=relative/dir"; do
  label=${case%%|*}; assignment=${case#*|}
  launch "$prefix/bin/quorvane" ${assignment:+"$assignment"} || fail "XDG_DATA_HOME $label: exit status $?"
  expect_eq "XDG_DATA_HOME $label" "$(reported cwd)" "$tmp/home/.local/share/quorvane"
done

# --- started through a symbolic link elsewhere, it still finds its tree
mkdir -p "$tmp/bin"
ln -s "$prefix/bin/quorvane" "$tmp/bin/qv"
launch "$tmp/bin/qv" XDG_DATA_HOME="$data" || fail "through a link: exit status $?"
expect_eq "through a link" "$(reported cwd)" "$work"

# --- failures stop before the program starts, with a message and an error status
: > "$tmp/a file"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$tmp/a file" && fail "folder under a file: succeeded"
[ -e "$QV_TEST_OUT" ] && fail "folder under a file: the program was started"
grep -q '^quorvane: ' "$tmp/out" || fail "folder under a file: no message: $(cat "$tmp/out")"
mv "$prefix/share/quorvane/ico" "$prefix/share/quorvane/ico.away"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$tmp/other" && fail "installed files missing: succeeded"
[ -e "$QV_TEST_OUT" ] && fail "installed files missing: the program was started"
grep -q 'installed files are missing' "$tmp/out" || fail "installed files missing: no message: $(cat "$tmp/out")"
mv "$prefix/share/quorvane/ico.away" "$prefix/share/quorvane/ico"

# --- the demo launcher: same folder, simulator preloaded, default configuration written once
demo_data="$tmp/demo data"
launch "$prefix/bin/quorvane-demo" XDG_DATA_HOME="$demo_data" LD_PRELOAD=/usr/lib/libkeep.so ||
  fail "demo: exit status $?"
dwork="$demo_data/quorvane"
expect_eq "demo: working folder" "$(reported cwd)" "$dwork"
expect_eq "demo: preload" "$(reported LD_PRELOAD)" "$prefix/lib/quorvane/libmetersim.so:/usr/lib/libkeep.so"
expect_eq "demo: configuration" "$(reported METERSIM_CONFIG)" "$dwork/metersim.conf"
expect_file_same "demo: files copied" "$prefix/share/quorvane/Export.vornic" "$dwork/Export.vornic"
conf="$dwork/metersim.conf"
grep -qx 'devices = meter' "$conf" || fail "demo: no meter in the configuration"
grep -qx "control_file = $dwork/control" "$conf" || fail "demo: no control file in the configuration"
cmp -s "$tmp/card" "$dwork/card.img" || fail "demo: the card image was not unpacked"
grep -qx "card_image = $dwork/card.img" "$conf" || fail "demo: card image not configured"
grep -qx 'setup_byte = 0x44' "$conf" || fail "demo: card not marked present"
echo "levels = 60" >> "$conf"
launch "$prefix/bin/quorvane-demo" XDG_DATA_HOME="$demo_data" || fail "demo again: exit status $?"
grep -qx 'levels = 60' "$conf" || fail "demo again: the user's configuration was overwritten"

# --- a package without a card image, or with a damaged one: no card, and the setup byte says so
for case in absent damaged; do
  if [ $case = absent ]; then rm -f "$prefix/share/quorvane/demo/card.img.gz"
  else echo "not gzip at all" > "$prefix/share/quorvane/demo/card.img.gz"; fi
  launch "$prefix/bin/quorvane-demo" XDG_DATA_HOME="$tmp/$case" || fail "card $case: exit status $?"
  nwork="$tmp/$case/quorvane"
  expect_eq "card $case: program started" "$(reported cwd)" "$nwork"
  grep -q '^card_image' "$nwork/metersim.conf" && fail "card $case: card configured"
  grep -qx 'setup_byte = 0x04' "$nwork/metersim.conf" || fail "card $case: card not marked absent"
  ls "$nwork" | grep -q '^card\.img' && fail "card $case: a card image was left: $(ls "$nwork")"
done
grep -q 'cannot unpack' "$tmp/out" || fail "card damaged: no warning"

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "launcher checks passed"
