#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
expect_link() { # label, link, target
  [ -L "$2" ] || { fail "$1: $2 is not a symbolic link"; return; }
  expect_eq "$1" "$(readlink "$2")" "$3"
}

# An installed tree under "$tmp/root dir/usr" (a space in the path on purpose).
prefix="$tmp/root dir/usr"
share="$prefix/share/quorvane"
mkdir -p "$prefix/bin" "$prefix/lib/quorvane" "$share/ico" "$share/demo"
cp "$src/launcher/quorvane" "$src/launcher/quorvane-demo" "$prefix/bin/"
cp "$src/launcher/workdir.sh" "$prefix/lib/quorvane/"
: > "$prefix/lib/quorvane/libmetersim.so"
cat > "$prefix/lib/quorvane/quorvane" <<'PROG'
#!/bin/sh
{ echo "cwd=$(pwd)"; echo "args=$#"; for a in "$@"; do echo "arg=$a"; done
  echo "LD_PRELOAD=${LD_PRELOAD:-}"; echo "METERSIM_CONFIG=${METERSIM_CONFIG:-}"
  echo "RESOURCE_NAME=${RESOURCE_NAME:-}"; } > "$QV_TEST_OUT"
PROG
chmod +x "$prefix/lib/quorvane/quorvane"
shipped=(ico/min.bmp ico/max.bmp ico/Open.avi ico/exchange.avi ico/palmpilot.avi Export.vornic)
for f in "${shipped[@]}"; do echo "installed $f" > "$share/$f"; done
# A card like the real one: mostly zeros, a little data at both ends.
{ printf 'FAT32 boot sector'; head -c 2097152 /dev/zero; printf 'a record file'; } > "$tmp/card"
gzip -c "$tmp/card" > "$share/demo/card.img.gz"

home="$tmp/home"
export QV_TEST_OUT="$tmp/started"
reported() { sed -n "s/^$1=//p" "$QV_TEST_OUT"; }
launch() { # launcher [VAR=value ...] [-- arguments]
  local launcher=$1; shift
  local assignments=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do assignments+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  rm -f "$QV_TEST_OUT"
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME -u XDG_DOCUMENTS_DIR \
    -u LD_PRELOAD -u METERSIM_CONFIG -u RESOURCE_NAME HOME="$home" "${assignments[@]}" \
    "$launcher" "$@" > "$tmp/out" 2>&1
}
user_dirs() { # config folder, documents line
  mkdir -p "$1" && printf '# written by xdg-user-dirs-update\n%s\n' "$2" > "$1/user-dirs.dirs"
}

# --- where the working folder goes: Quorvane in the documents folder
# name | config folder | user-dirs.dirs line ("" = no file) | environment | expected folder
cases=(
  "no user-dirs.dirs|$home/.config|||$home/Quorvane"
  "documents under home|$home/.config|XDG_DOCUMENTS_DIR=\"\$HOME/Dokumente\"||$home/Dokumente/Quorvane"
  "documents absolute|$tmp/cfg|XDG_DOCUMENTS_DIR=\"$tmp/docs\"|XDG_CONFIG_HOME=$tmp/cfg|$tmp/docs/Quorvane"
  "documents = home|$home/.config|XDG_DOCUMENTS_DIR=\"\$HOME/\"||$home//Quorvane"
  "relative config home ignored|$home/.config|XDG_DOCUMENTS_DIR=\"\$HOME/Docs\"|XDG_CONFIG_HOME=rel|$home/Docs/Quorvane"
  "relative documents ignored|$home/.config|XDG_DOCUMENTS_DIR=\"Docs\"||$home/Quorvane"
  "environment without file|$tmp/nocfg||XDG_DOCUMENTS_DIR=$tmp/envdocs|$tmp/envdocs/Quorvane"
)
for case in "${cases[@]}"; do
  IFS='|' read -r label config line environment expected <<< "$case"
  rm -rf "$home" "$tmp/cfg"
  [ -n "$line" ] && user_dirs "$config" "$line"
  launch "$prefix/bin/quorvane" ${environment:+"$environment"} || fail "$label: exit status $?"
  expect_eq "$label" "$(reported cwd)" "$(cd "$expected" 2>/dev/null && pwd)"
  [ -d "$expected" ] || fail "$label: $expected was not made"
  # Where xdg-user-dirs is installed, it must agree (it takes a relative
  # XDG_CONFIG_HOME as it is, which the XDG rules say to ignore).
  if command -v xdg-user-dir >/dev/null && [ "$environment" != XDG_CONFIG_HOME=rel ]; then
    xdg=$(env -u XDG_CONFIG_HOME -u XDG_DOCUMENTS_DIR HOME="$home" ${environment:+"$environment"} xdg-user-dir DOCUMENTS)
    case $xdg in /*) ;; *) xdg=$home ;; esac
    expect_eq "$label: as xdg-user-dir says" "$xdg/Quorvane" "$expected"
  fi
done

# --- first run: shipped files are links into the installation, nothing is copied
rm -rf "$home"
launch "$prefix/bin/quorvane" || fail "first run: exit status $?"
work="$home/Quorvane"
expect_eq "first run: the program starts bare" "$(reported args)" "0"
expect_eq "first run: no preload" "$(reported LD_PRELOAD)" ""
expect_link "first run: ico" "$work/ico" "$share/ico"
expect_link "first run: template" "$work/Export.vornic" "$share/Export.vornic"
for f in "${shipped[@]}"; do cmp -s "$share/$f" "$work/$f" || fail "first run: $f not readable there"; done
expect_eq "first run: no file of its own" "$(find "$work" -type f | wc -l)" "0"
[ -e "$home/.local/share/quorvane" ] && fail "first run: the old folder was made"

# --- an update reaches the folder at once; the user's own template stays; a
# link from an older installation is mended
echo "updated picture" > "$share/ico/min.bmp"
cmp -s "$share/ico/min.bmp" "$work/ico/min.bmp" || fail "update: the new picture is not seen"
rm "$work/Export.vornic"; echo "my own template" > "$work/Export.vornic"
echo "a recording" > "$work/NGFO0509.qzx"
rm "$work/ico"; ln -s "/opt/old/share/quorvane/ico" "$work/ico"
launch "$prefix/bin/quorvane" || fail "second run: exit status $?"
expect_eq "second run: own template kept" "$(cat "$work/Export.vornic")" "my own template"
expect_eq "second run: recording kept" "$(cat "$work/NGFO0509.qzx")" "a recording"
expect_link "second run: stale link mended" "$work/ico" "$share/ico"

# --- started through a symbolic link elsewhere, it still finds its tree
mkdir -p "$tmp/bin"
ln -s "$prefix/bin/quorvane" "$tmp/bin/qv"
launch "$tmp/bin/qv" || fail "through a link: exit status $?"
expect_eq "through a link" "$(reported cwd)" "$work"

# --- the command line: file names made absolute against the caller's folder
mkdir -p "$tmp/here"
# arguments (";"-separated) | what the program gets (";"-separated)
arg_cases=(
  "x.qzx|$tmp/here/x.qzx"
  "sub dir/y.txt|$tmp/here/sub dir/y.txt"
  "/abs/z.xls|/abs/z.xls"
  "--;-odd.qzx|--;$tmp/here/-odd.qzx"
  "-x|-x"
)
for case in "${arg_cases[@]}"; do
  IFS='|' read -r given wanted <<< "$case"
  IFS=';' read -r -a given_args <<< "$given"
  (cd "$tmp/here" && launch "$prefix/bin/quorvane" -- "${given_args[@]}") || fail "args [$given]: exit status $?"
  expect_eq "args [$given]" "$(reported arg | paste -sd ';')" "$wanted"
  expect_eq "args [$given]: folder" "$(reported cwd)" "$work"
done
for ask in --help -h --version -V; do
  rm -rf "$home"
  (cd "$tmp/here" && launch "$prefix/bin/quorvane" -- "$ask") || fail "$ask: exit status $?"
  expect_eq "$ask: passed on" "$(reported arg)" "$ask"
  expect_eq "$ask: started where it was asked" "$(reported cwd)" "$tmp/here"
  [ -e "$home" ] && fail "$ask: folders were made"
done

# --- the folder of older versions: the user's files move, copies of shipped
# files go, the demo's files go to the state folder
old_case() { # prepares ~/.local/share/quorvane as an older version left it
  rm -rf "$home"
  old="$home/.local/share/quorvane"
  mkdir -p "$old/ico"
  for f in "${shipped[@]}"; do cp "$share/$f" "$old/$f"; done
  echo "recorded" > "$old/NGFO0509.qzx"
  echo "exported" > "$old/my export.txt"
  printf 'card_image = %s/card.img\ncontrol_file = %s/control\n' "$old" "$old" > "$old/metersim.conf"
  echo "card" > "$old/card.img"; : > "$old/control"
}
old_case
launch "$prefix/bin/quorvane" || fail "old folder: exit status $?"
state="$home/.local/state/quorvane"
expect_eq "old folder: recording moved" "$(cat "$work/NGFO0509.qzx" 2>/dev/null)" "recorded"
expect_eq "old folder: export moved" "$(cat "$work/my export.txt" 2>/dev/null)" "exported"
[ -e "$old" ] && fail "old folder: still there: $(ls -R "$old")"
expect_link "old folder: ico is a link" "$work/ico" "$share/ico"
expect_link "old folder: template is a link" "$work/Export.vornic" "$share/Export.vornic"
expect_eq "old folder: card moved" "$(cat "$state/card.img" 2>/dev/null)" "card"
grep -qx "card_image = $state/card.img" "$state/metersim.conf" || fail "old folder: card path not rewritten"
grep -qx "control_file = $state/control" "$state/metersim.conf" || fail "old folder: control path not rewritten"
# A changed template moves (and wins over the link); a name on both sides
# stays behind with a note, nothing is overwritten.
old_case
echo "my template" > "$old/Export.vornic"
mkdir -p "$work"; echo "newer" > "$work/NGFO0509.qzx"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$home/.local/share" || fail "clash: exit status $?"
expect_eq "clash: changed template moved" "$(cat "$work/Export.vornic")" "my template"
[ -L "$work/Export.vornic" ] && fail "clash: the template became a link"
expect_eq "clash: new file kept" "$(cat "$work/NGFO0509.qzx")" "newer"
expect_eq "clash: old file kept" "$(cat "$old/NGFO0509.qzx" 2>/dev/null)" "recorded"
expect_eq "clash: others moved" "$(cat "$work/my export.txt" 2>/dev/null)" "exported"
grep -q "moved .* from $old" "$tmp/out" || fail "clash: no note: $(cat "$tmp/out")"
# An old folder under XDG_DATA_HOME is found there.
rm -rf "$home"; mkdir -p "$tmp/data/quorvane"; echo "x" > "$tmp/data/quorvane/OLVX5959.qzx"
launch "$prefix/bin/quorvane" XDG_DATA_HOME="$tmp/data" || fail "XDG_DATA_HOME: exit status $?"
[ -f "$work/OLVX5959.qzx" ] || fail "XDG_DATA_HOME: the recording did not move"

# --- failures stop before the program starts, with a message and an error status
rm -rf "$home"; mkdir -p "$home"; : > "$home/a file"
user_dirs "$home/.config" "XDG_DOCUMENTS_DIR=\"\$HOME/a file\""
launch "$prefix/bin/quorvane" && fail "folder under a file: succeeded"
[ -e "$QV_TEST_OUT" ] && fail "folder under a file: the program was started"
grep -q '^quorvane: ' "$tmp/out" || fail "folder under a file: no message: $(cat "$tmp/out")"
rm -rf "$home"
mv "$share/ico" "$share/ico.away"
launch "$prefix/bin/quorvane" && fail "installed files missing: succeeded"
[ -e "$QV_TEST_OUT" ] && fail "installed files missing: the program was started"
grep -q 'installed files are missing' "$tmp/out" || fail "installed files missing: no message: $(cat "$tmp/out")"
mv "$share/ico.away" "$share/ico"

# --- the demo launcher: same folder, simulator preloaded, its state in the
# XDG state folder, default configuration written once
rm -rf "$home"
launch "$prefix/bin/quorvane-demo" XDG_STATE_HOME="$tmp/state home" LD_PRELOAD=/usr/lib/libkeep.so ||
  fail "demo: exit status $?"
dstate="$tmp/state home/quorvane"
conf="$dstate/metersim.conf"
expect_eq "demo: working folder" "$(reported cwd)" "$work"
expect_eq "demo: preload" "$(reported LD_PRELOAD)" "$prefix/lib/quorvane/libmetersim.so:/usr/lib/libkeep.so"
expect_eq "demo: configuration" "$(reported METERSIM_CONFIG)" "$conf"
expect_eq "demo: window class" "$(reported RESOURCE_NAME)" "quorvane-demo"
expect_link "demo: template linked" "$work/Export.vornic" "$share/Export.vornic"
grep -qx 'devices = meter' "$conf" || fail "demo: no meter in the configuration"
grep -qx "control_file = $dstate/control" "$conf" || fail "demo: no control file in the configuration"
[ -e "$dstate/control" ] || fail "demo: no control file"
cmp -s "$tmp/card" "$dstate/card.img" || fail "demo: the card image was not unpacked"
allocated=$(( $(stat -c '%b * %B' "$dstate/card.img") ))
[ "$allocated" -lt 1048576 ] || fail "demo: the card takes $allocated bytes: not sparse"
grep -qx "card_image = $dstate/card.img" "$conf" || fail "demo: card image not configured"
grep -qx 'setup_byte = 0x44' "$conf" || fail "demo: card not marked present"
expect_eq "demo: nothing of the demo in the working folder" "$(ls "$work" | grep -c 'card\|metersim\|control')" "0"
echo "levels = 60" >> "$conf"
launch "$prefix/bin/quorvane-demo" XDG_STATE_HOME="$tmp/state home" || fail "demo again: exit status $?"
grep -qx 'levels = 60' "$conf" || fail "demo again: the user's configuration was overwritten"

# --- a package without a card image, or with a damaged one: no card, and the setup byte says so
gzip -c "$tmp/card" | head -c 500 > "$tmp/truncated.gz"
for case in truncated damaged absent; do
  case $case in
    truncated) cp "$tmp/truncated.gz" "$share/demo/card.img.gz" ;;
    damaged) echo "not gzip at all" > "$share/demo/card.img.gz" ;;
    absent) rm -f "$share/demo/card.img.gz" ;;
  esac
  launch "$prefix/bin/quorvane-demo" XDG_STATE_HOME="$tmp/$case" || fail "card $case: exit status $?"
  nstate="$tmp/$case/quorvane"
  expect_eq "card $case: program started" "$(reported cwd)" "$work"
  grep -q '^card_image' "$nstate/metersim.conf" && fail "card $case: card configured"
  grep -qx 'setup_byte = 0x04' "$nstate/metersim.conf" || fail "card $case: card not marked absent"
  ls "$nstate" | grep -q '^card\.img' && fail "card $case: a card image was left: $(ls "$nstate")"
  if [ $case != absent ]; then grep -q 'cannot unpack' "$tmp/out" || fail "card $case: no warning"; fi
done

if [ $failures -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "launcher checks passed"
