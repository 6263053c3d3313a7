#!/usr/bin/env bash
# pack-archive.sh SOURCE_DIR ARCHIVE: packs every file below SOURCE_DIR into ARCHIVE with Info-ZIP
# zip so that the archive is the same, byte for byte, on every run: files in sorted order, one
# fixed time and mode for all of them, no extra fields and no directory entries.
set -euo pipefail
export TZ=UTC LC_ALL=C
src=$1
out="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -R "$src"/. "$stage"/
find "$stage" -type f -exec chmod 644 {} +
find "$stage" -exec touch -d '2026-01-01 12:00:00' {} +
rm -f "$out.tmp"
(cd "$stage" && find . -type f | sed 's|^\./||' | sort | zip -X -D -q "$out.tmp" -@)
mv -f "$out.tmp" "$out"
