#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, installs it on this machine with apt-get, runs the
# installed gbcode with piped input and no terminal (exact bytes, exit status 255), checks that
# its manual page is found, and removes the package again. Needs root.
#
# With the Windows build directory as WINDOWS_BUILD_DIR, also checks the Windows zip.
set -euo pipefail
build=$(cd "${1:?BUILD_DIR}" && pwd)
windows_build=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"; apt-get remove -y -qq gbcode > /dev/null 2>&1 || true' EXIT

(cd "$build" && cpack -G DEB > "$work/cpack.log" 2>&1)
deb=$(ls "$build"/gbcode_*_*.deb)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/install.log" 2>&1
dpkg -L gbcode > "$work/files"
grep -qx /usr/bin/gbcode "$work/files"
grep -qx /usr/share/man/man1/gbcode.1.gz "$work/files"
[ "$(man -w gbcode)" = /usr/share/man/man1/gbcode.1.gz ]

printf '\xca\xe4\xc8\xeb\xba\xba\xd7\xd6\xa3\xba\n\t\xba\xba  baba\n\t\xd7\xd6  d7d6\n' > "$work/expected"
status=0
printf '\xba\xba\xd7\xd6 rest\n' | setsid -w /usr/bin/gbcode > "$work/out" || status=$?
cmp "$work/expected" "$work/out"
[ "$status" = 255 ]
# One version everywhere: the program's, the package's file name's and the manual page's.
version=$(/usr/bin/gbcode --version | sed -n 's/^gbcode //p')
[ "$deb" = "$build/gbcode_${version}_$(dpkg --print-architecture).deb" ]
zcat /usr/share/man/man1/gbcode.1.gz | grep -q "^\.TH GBCODE 1 .* \"gbcode $version\""

apt-get remove -y -qq gbcode > "$work/remove.log" 2>&1
! dpkg -s gbcode > /dev/null 2>&1
[ ! -e /usr/bin/gbcode ]
echo "ok   the .deb installs, runs, and removes cleanly"

if [ -n "$windows_build" ]; then
  (cd "$windows_build" && cpack -G ZIP > "$work/cpack-windows.log" 2>&1)
  zip=$windows_build/gbcode-$version-windows-x64.zip
  unzip -Z1 "$zip" | sort > "$work/zip-files"
  printf '%s\n' CHANGELOG.md LICENSE README.txt gbcode.exe | sort | cmp - "$work/zip-files"
  # The Windows README, with CR LF line ends and the version filled in.
  unzip -p "$zip" README.txt > "$work/README.txt"
  head -1 "$work/README.txt" | cmp - <(printf 'gbcode %s for Windows\r\n' "$version")
  echo "ok   the Windows zip holds gbcode.exe, its README and the licence"
fi
