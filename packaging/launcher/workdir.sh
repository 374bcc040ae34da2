# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the quorvane launchers (POSIX sh).
#
# The program works in the folder it is started in: it takes its pictures,
# clips and spreadsheet template from there and writes its recordings there.
# Each user's folder is Quorvane in their documents folder, where they see
# their recordings; the shipped files appear in it as symbolic links into the
# installation, so they cost nothing per user and follow package updates.
# The demo meter's configuration and card live in the XDG state folder.
#
# Expects QV_PREFIX (the installation prefix, found by the launcher from its
# own path so that the tree works wherever it is unpacked).

QV_LIBDIR=$QV_PREFIX/lib/quorvane
QV_SHAREDIR=$QV_PREFIX/share/quorvane

qv_die() {
  printf 'quorvane: %s\n' "$*" >&2
  exit 1
}

qv_need_home() {
  [ -n "${HOME:-}" ] || qv_die "HOME is not set"
}

# $1 if it is an absolute path (the XDG rules ignore relative ones), else $2.
qv_absolute_or() {
  case $1 in
    /*) printf '%s' "$1" ;;
    *) printf '%s' "$2" ;;
  esac
}

# The documents folder, as `xdg-user-dir DOCUMENTS` answers: the
# XDG_DOCUMENTS_DIR of ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs (a shell
# fragment, read the way xdg-user-dir reads it), else the one in the
# environment, else the home folder. Read here rather than by calling
# xdg-user-dir so that the launcher works without xdg-user-dirs installed.
qv_documents_dir() {
  qv_need_home
  qv_config=$(qv_absolute_or "${XDG_CONFIG_HOME:-}" "$HOME/.config")/user-dirs.dirs
  # shellcheck disable=SC1090
  qv_docs=$(
    if [ -f "$qv_config" ]; then . "$qv_config" >/dev/null 2>&1 || true; fi
    printf '%s' "${XDG_DOCUMENTS_DIR:-}"
  )
  QV_DOCUMENTS=$(qv_absolute_or "$qv_docs" "$HOME")
}

# QV_WORKDIR: where the program runs and recordings land.
qv_workdir() {
  qv_documents_dir
  QV_WORKDIR=$QV_DOCUMENTS/Quorvane
}

# QV_STATEDIR: the demo meter's configuration, control file and card.
qv_statedir() {
  qv_need_home
  QV_STATEDIR=$(qv_absolute_or "${XDG_STATE_HOME:-}" "$HOME/.local/state")/quorvane
}

# The folder older versions used: ${XDG_DATA_HOME:-~/.local/share}/quorvane.
qv_old_workdir() {
  qv_need_home
  QV_OLD_WORKDIR=$(qv_absolute_or "${XDG_DATA_HOME:-}" "$HOME/.local/share")/quorvane
}

# Makes $2 a symbolic link to $1. A link pointing elsewhere (an older
# installation) is replaced; a file or folder of the user's own at $2 (say,
# their own spreadsheet template) is kept.
qv_link() {
  if [ -L "$2" ]; then
    [ "$(readlink -- "$2")" = "$1" ] && return 0
    rm -f -- "$2" || qv_die "cannot replace the link $2"
  elif [ -e "$2" ]; then
    return 0
  fi
  ln -s -- "$1" "$2" || qv_die "cannot link $2 to $1"
}

# Moves $1 to $2 unless something is at $2 already. Returns 1 when it stays.
qv_move() {
  { [ -e "$2" ] || [ -L "$2" ]; } && return 1
  mv -- "$1" "$2" || return 1
  qv_moved=$((qv_moved + 1))
}

# Brings the user's files from the folder of older versions into the new
# ones: recordings and the user's other files into the working folder, the
# demo meter's files into the state folder (its configuration's paths
# rewritten), and drops the copies of shipped files that are still
# identical to the installed ones. Nothing is overwritten: a name that exists
# on both sides stays behind, and the old folder then stays with a note.
qv_move_old_folder() {
  qv_old_workdir
  [ -d "$QV_OLD_WORKDIR" ] && ! [ -L "$QV_OLD_WORKDIR" ] || return 0
  [ "$QV_OLD_WORKDIR" = "$QV_WORKDIR" ] && return 0
  qv_moved=0
  for qv_old in "$QV_OLD_WORKDIR"/* "$QV_OLD_WORKDIR"/.[!.]* "$QV_OLD_WORKDIR"/..?*; do
    [ -e "$qv_old" ] || [ -L "$qv_old" ] || continue
    qv_name=${qv_old##*/}
    case $qv_name in
      ico)
        if [ -d "$qv_old" ] && ! [ -L "$qv_old" ]; then
          for qv_pic in "$qv_old"/*; do
            [ -f "$qv_pic" ] && cmp -s "$qv_pic" "$QV_SHAREDIR/ico/${qv_pic##*/}" && rm -f -- "$qv_pic"
          done
          rmdir -- "$qv_old" 2>/dev/null || true
        fi
        ;;
      metersim.conf)
        mkdir -p "$QV_STATEDIR" || continue
        [ -e "$QV_STATEDIR/$qv_name" ] && continue
        # Its card and control file move too: point it at their new place.
        qv_tmp=$QV_STATEDIR/$qv_name.new.$$
        if QV_FROM=$QV_OLD_WORKDIR/ QV_TO=$QV_STATEDIR/ awk '{
               out = ""
               while ((i = index($0, ENVIRON["QV_FROM"])) > 0) {
                 out = out substr($0, 1, i - 1) ENVIRON["QV_TO"]
                 $0 = substr($0, i + length(ENVIRON["QV_FROM"]))
               }
               print out $0
             }' "$qv_old" > "$qv_tmp" &&
           mv -f -- "$qv_tmp" "$QV_STATEDIR/$qv_name"; then
          rm -f -- "$qv_old"
          qv_moved=$((qv_moved + 1))
        else
          rm -f -- "$qv_tmp"
        fi
        ;;
      card.img | control | requests.log)
        mkdir -p "$QV_STATEDIR" && qv_move "$qv_old" "$QV_STATEDIR/$qv_name" || true
        ;;
      *)
        if [ -f "$qv_old" ] && [ -f "$QV_SHAREDIR/$qv_name" ] && cmp -s "$qv_old" "$QV_SHAREDIR/$qv_name"; then
          rm -f -- "$qv_old"  # an unchanged copy of a shipped file: the link replaces it
        elif [ -f "$QV_SHAREDIR/$qv_name" ] && [ -L "$QV_WORKDIR/$qv_name" ]; then
          # The user's own version of a shipped file (a changed template)
          # takes the place of the link, as it took the copy's before.
          rm -f -- "$QV_WORKDIR/$qv_name" && qv_move "$qv_old" "$QV_WORKDIR/$qv_name" || true
        else
          qv_move "$qv_old" "$QV_WORKDIR/$qv_name" || true
        fi
        ;;
    esac
  done
  if ! rmdir -- "$QV_OLD_WORKDIR" 2>/dev/null && [ "$qv_moved" -gt 0 ]; then
    printf 'quorvane: moved %s file(s) from %s to %s; what is left there has a name that exists in both\n' \
      "$qv_moved" "$QV_OLD_WORKDIR" "$QV_WORKDIR" >&2
  fi
  return 0
}

# Creates the working folder, brings an old folder's files over and links
# the shipped files into it.
qv_prepare_workdir() {
  qv_workdir
  qv_statedir
  [ -d "$QV_SHAREDIR/ico" ] || qv_die "the installed files are missing: $QV_SHAREDIR/ico"
  mkdir -p "$QV_WORKDIR" || qv_die "cannot create $QV_WORKDIR"
  qv_link "$QV_SHAREDIR/ico" "$QV_WORKDIR/ico"
  qv_move_old_folder
  # A real ico folder of the user's (kept above) still gets the pictures it lacks.
  if [ -d "$QV_WORKDIR/ico" ] && ! [ -L "$QV_WORKDIR/ico" ]; then
    for qv_src in "$QV_SHAREDIR"/ico/*; do
      [ -f "$qv_src" ] && qv_link "$qv_src" "$QV_WORKDIR/ico/${qv_src##*/}"
    done
  fi
  for qv_src in "$QV_SHAREDIR"/*; do
    [ -f "$qv_src" ] && qv_link "$qv_src" "$QV_WORKDIR/${qv_src##*/}"
  done
  return 0
}

# Sets QV_ASK_ONLY when the command line only asks for help or the version
# (answered by the program without a window or a folder).
qv_asks_only() {
  QV_ASK_ONLY=no
  for qv_arg in "$@"; do
    case $qv_arg in
      --) return 0 ;;
      -h | --help | -V | --version) QV_ASK_ONLY=yes; return 0 ;;
    esac
  done
}

# Quotes $1 for the shell.
qv_quote() {
  printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"
}

# QV_ARGS: the arguments, quoted for `eval "set -- $QV_ARGS"`, with every
# file name made absolute against the current folder (options stay; after
# "--" every argument is a file name).
qv_args_with_absolute_files() {
  QV_ARGS=""
  qv_files_only=no
  qv_here=$(pwd)
  for qv_arg in "$@"; do
    if [ "$qv_files_only" = no ] && [ "$qv_arg" = -- ]; then
      qv_files_only=yes
    else
      case $qv_files_only:$qv_arg in
        *:/* | no:-?* | *:) ;;
        *) qv_arg=$qv_here/$qv_arg ;;
      esac
    fi
    QV_ARGS="$QV_ARGS $(qv_quote "$qv_arg")"
  done
}
