#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes seed inputs for the fuzz targets in <out>/<target>/:
#  - everything fuzz_seeds writes (record files, our text and spreadsheet
#    exports, our template, two hand-made small FAT32 cards);
#  - cards formatted by mkfs.fat and filled by mcopy, cut to their first
#    sectors (boot sector, FSInfo, FATs and root directory; the fuzz target
#    reads every sector past the input as zeros);
#  - a text export converted to .xls by ssconvert, when it is installed.
# Usage: tests/fuzz/make_corpora.sh <fuzz_seeds program> <out>
set -euo pipefail
seeds="$1"
out="$2"
mkdir -p "$out"
"$seeds" "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null; then
  printf 'NGFO0509 words\n' >"$work/NGFO0509.QZX"
  head -c 3000 /dev/zero | tr '\0' 'x' >"$work/long.txt"
  # mtools takes a volume for FAT32 only from 65525 clusters on: a 34 MB
  # card with 512-byte clusters and one FAT. Its root directory follows the
  # FAT at sector 8 + 521; keep the first 320 KiB.
  img="$work/card.img"
  if mkfs.fat -F 32 -s 1 -f 1 -R 8 -C "$img" 34000 >/dev/null 2>&1; then
    mcopy -i "$img" "$work/NGFO0509.QZX" ::NGFO0509.QZX
    mcopy -i "$img" "$work/long.txt" "::A long name.txt"
    mdel -i "$img" ::NGFO0509.QZX
    mcopy -i "$img" "$work/NGFO0509.QZX" ::NGFO0510.QZX
    mkdir -p "$out/fuzz_fat32"
    head -c $((320 * 1024)) "$img" >"$out/fuzz_fat32/mkfs.img"
  fi
fi

if command -v ssconvert >/dev/null; then
  text="$out/fuzz_text_parser/export.txt"
  if [ -f "$text" ]; then
    cp "$text" "$work/export.txt"
    if ssconvert --import-type=Gnumeric_stf:stf_csvtab --export-type=Gnumeric_Excel:excel_biff8 \
         "$work/export.txt" "$work/ssconvert.xls" >/dev/null 2>&1; then
      cp "$work/ssconvert.xls" "$out/fuzz_xls_reader/ssconvert.xls"
      cp "$work/ssconvert.xls" "$out/fuzz_xls_patcher/ssconvert.xls"
    fi
  fi
fi
