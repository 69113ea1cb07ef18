#!/usr/bin/env bash
# needed_libraries_test.sh PROGRAM: the shared libraries PROGRAM names as needed (readelf -d)
# are the C library and, where the system lists it, the dynamic loader; nothing else.
set -uo pipefail
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p') || { echo "FAIL: readelf -d $1"; exit 1; }
echo "needed: $(echo $needed)"
if [ -z "$needed" ]; then
  echo "FAIL: no needed library at all: not linked with the shared C library"
  exit 1
fi
others=$(grep -vxE 'libc\.so\.[0-9]+|ld-linux[-a-z0-9_]*\.so\.[0-9]+' <<< "$needed")
if [ -n "$others" ]; then
  echo "FAIL: needs more than the C library:" $others
  exit 1
fi
