#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# quorvane --bogus with no display and no platform chosen: the usage hint on
# standard error and exit status 2; likewise after a toolkit option.
program="$1"
status=0
for line in "--bogus" "-reverse --bogus" "a.qzx b.qzx"; do
  # shellcheck disable=SC2086
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" $line 2>&1 >/dev/null)
  rc=$?
  if [ "$rc" -ne 2 ]; then
    echo "quorvane $line: exit status $rc, expected 2; it said: $err"
    status=1
  fi
  case "$err" in
    *"Try 'quorvane --help'."*) ;;
    *) echo "quorvane $line: no usage hint; it said: $err"; status=1 ;;
  esac
done
exit $status
