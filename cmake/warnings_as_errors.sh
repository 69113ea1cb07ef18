#!/bin/sh
# The compiler launcher of gbcode's builds off Windows: runs the compile command it is given,
# and when the environment says GBCODE_WARNINGS_AS_ERRORS=ON (the test and CI build presets
# do) makes any warning in the project's own sources an error.
#
#   warnings_as_errors.sh SOURCE_DIR COMPILER ARGUMENTS...
#
# Decided by the environment and not by the build's settings, so the run and test presets
# share build/ with one set of compile commands, and switching between them compiles nothing.
# An object compiled with a warning while warnings are allowed is dated back to 1970: the next
# build compiles it again, so its warnings show again and a strict build cannot pass it over.
source_dir=$1
shift
own_source=false
object=
previous=
for argument in "$@"; do
  case $previous in
    -c) case $argument in "$source_dir"/*) own_source=true ;; esac ;;
    -o) object=$argument ;;
  esac
  previous=$argument
done

if [ "${GBCODE_WARNINGS_AS_ERRORS:-}" = ON ] && $own_source; then
  exec "$@" -Werror
fi

diagnostics=$(mktemp) || exit 1
"$@" 2> "$diagnostics"
status=$?
cat "$diagnostics" >&2
if [ "$status" = 0 ] && [ -n "$object" ] && grep -q 'warning:' "$diagnostics"; then
  touch -t 197001010000 "$object"
fi
rm -f "$diagnostics"
exit "$status"
