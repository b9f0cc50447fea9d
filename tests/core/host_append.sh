#!/usr/bin/env bash
# quillconv.exe started by a host shell that appends its output to its own input (">>"). Under
# Wine such a handle cannot tell its identity the usual way; the run must still be refused
# (exit 1) and leave the file as it was. A file size limit ends a run that would not stop.
#   host_append.sh QUILLCONV_EXE
set -u
source "$(dirname "$0")/../../tools/wine-env"
quill_wine_prefix
quill_wine_server
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
printf '41 42' >"$dir/f.txt"
(ulimit -f 1024; wine "$1" totext "Z:$dir/f.txt" - >>"$dir/f.txt" 2>"$dir/err")
rc=$?
if [ "$rc" -ne 1 ] || [ "$(cat "$dir/f.txt")" != "41 42" ] || ! grep -q "same file" "$dir/err"; then
  echo "exit $rc, f.txt now $(stat -c %s "$dir/f.txt") bytes, stderr: $(head -c 300 "$dir/err")"
  exit 1
fi
