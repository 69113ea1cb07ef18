#!/bin/sh
# The compiler launcher off Windows: warnings_as_errors.sh SOURCE_DIR COMPILER ARGUMENTS...
# Where the build's environment has GBCODE_WARNINGS_AS_ERRORS=ON (the test and CI build
# presets), a warning in gbcode's own sources is an error; elsewhere it is only shown. Decided
# at each compile and not by the configuration, so the run and test commands share build/ and
# switching between them compiles nothing. An object that drew any diagnostic while warnings
# were allowed is dated back to 1970, so that the next build, strict or not, compiles it again.
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
# Any output at all, not only lines with "warning:": compilers translate that word.
if [ "$status" = 0 ] && [ -n "$object" ] && [ -s "$diagnostics" ]; then
  TZ=UTC0 touch -t 197001010000 "$object"
fi
rm -f "$diagnostics"
exit "$status"
