#!/usr/bin/env bash
# Runs one golden case: tests/<subsystem>/<case>.batch through quorin-batch
# in a scratch folder, then compares
#   <case>.ok           standard error, then "exit <status>"
#   <case>.stdout.ok    standard output (when the file exists)
#   <case>.<file>.ok    the output file <file> (for each such file)
# With UPDATE_GOLDEN=1 the expected files are rewritten instead.
set -u
batch=$1 source=$2 dir=$3 case=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$source/examples" "$work/examples"
ln -s "$source/lib" "$work/lib"
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
if [ -f "$dir/$case.stdout.ok" ] || [ "${UPDATE_GOLDEN:-0}" = 1 -a -s "$work/stdout" ]; then
  compare "$dir/$case.stdout.ok" "$work/stdout" || failed=1
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
