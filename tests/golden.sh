#!/usr/bin/env bash
# Runs one golden case: tests/<subsystem>/<case>.batch through quorin-batch
# in a scratch folder, then compares
#   <case>.ok           standard error, then "exit <status>"
#   <case>.stdout.ok    standard output (empty when the file is missing)
#   <case>.<file>.ok    the output file <file> (for each such file)
# With UPDATE_GOLDEN=1 the expected files are rewritten instead.
set -u
batch=$1 source=$2 dir=$3 case=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$source/examples" "$work/examples"
ln -s "$source/lib" "$work/lib"
ln -s "$source/examples/subckt_library" "$work/subckt_library"
ln -s "$dir" "$work/case"
flags=""
[ -f "$dir/$case.flags" ] && flags=$(cat "$dir/$case.flags")
(cd "$work" && SYSRC="$source/lib/sysrc" "$batch" $flags "case/$case.batch" >stdout 2>stderr)
status=$?
echo "exit $status" >>"$work/stderr"

compare() {  # expected actual
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$2" "$1"
    return 0
  fi
  if ! diff -u "$1" "$2"; then
    echo "golden: $case: $(basename "$1") differs" >&2
    return 1
  fi
}

failed=0
compare "$dir/$case.ok" "$work/stderr" || failed=1
# Standard output must be empty unless <case>.stdout.ok says otherwise.
if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
  if [ -s "$work/stdout" ]; then cp "$work/stdout" "$dir/$case.stdout.ok"; else rm -f "$dir/$case.stdout.ok"; fi
elif [ -f "$dir/$case.stdout.ok" ]; then
  compare "$dir/$case.stdout.ok" "$work/stdout" || failed=1
elif [ -s "$work/stdout" ]; then
  echo "golden: $case: unexpected standard output:" >&2
  head -20 "$work/stdout" >&2
  failed=1
fi
for expected in "$dir/$case".*.ok; do
  [ -e "$expected" ] || continue
  file=${expected#"$dir/$case."}
  file=${file%.ok}
  case $file in ok|stdout) continue ;; esac
  if [ ! -f "$work/$file" ]; then
    echo "golden: $case: $file was not written" >&2
    failed=1
    continue
  fi
  compare "$expected" "$work/$file" || failed=1
done
exit $failed
