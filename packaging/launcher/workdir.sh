# Sourced by the quorvane launchers (POSIX sh). The program works in the
# folder it is started in: it takes its pictures, clips and spreadsheet
# template from there and writes its recordings there. Installed copies are
# read-only and shared, so each user gets a folder of their own under the
# XDG data home, kept up to date with the installed files.
#
# Expects QV_PREFIX (the installation prefix, found by the launcher from its
# own path so that the tree works wherever it is unpacked).

QV_LIBDIR=$QV_PREFIX/lib/quorvane
QV_SHAREDIR=$QV_PREFIX/share/quorvane

qv_die() {
  printf 'quorvane: %s\n' "$*" >&2
  exit 1
}

# ${XDG_DATA_HOME:-$HOME/.local/share}/quorvane. A relative XDG_DATA_HOME is
# invalid and ignored, as the XDG base directory rules ask.
qv_workdir() {
  qv_data_home=${XDG_DATA_HOME:-}
  case $qv_data_home in
    /*) ;;
    *)
      [ -n "${HOME:-}" ] || qv_die "neither XDG_DATA_HOME nor HOME is set"
      qv_data_home=$HOME/.local/share
      ;;
  esac
  QV_WORKDIR=$qv_data_home/quorvane
}

# Copies $1 to $2 when $2 is missing or older than $1. The copy takes the
# installed file's time, so a later package update (newer files) refreshes it
# while a copy the user edited since (newer than the installed one) is kept.
# It goes through a temporary name so an interrupted copy never leaves a
# truncated file that looks current.
qv_refresh() {
  if [ -e "$2" ] && ! [ "$1" -nt "$2" ]; then
    return 0
  fi
  qv_tmp=$2.new.$$
  if cp "$1" "$qv_tmp" && touch -r "$1" "$qv_tmp" && mv -f "$qv_tmp" "$2"; then
    return 0
  fi
  rm -f "$qv_tmp"
  qv_die "cannot copy $1 to $2"
}

# Creates the working folder and brings the shipped files into it.
qv_prepare_workdir() {
  qv_workdir
  [ -d "$QV_SHAREDIR/ico" ] || qv_die "the installed files are missing: $QV_SHAREDIR/ico"
  mkdir -p "$QV_WORKDIR/ico" || qv_die "cannot create $QV_WORKDIR"
  for qv_src in "$QV_SHAREDIR"/* "$QV_SHAREDIR"/ico/*; do
    [ -f "$qv_src" ] || continue
    qv_refresh "$qv_src" "$QV_WORKDIR/${qv_src#"$QV_SHAREDIR"/}"
  done
}

