#!/usr/bin/env bash
# Runs one program case of subpyxis in a scratch folder that links the
# examples (examples/) and the case folder (case/):
#   cases/<case>.cmd       one run per line: the arguments after the program
#                          name, as shell words
#   cases/<case>.ok        for every run its standard output, then its
#                          standard error (when any) after "--- stderr", then
#                          "exit <status>"
#   cases/<case>.<file>.ok every output file <file>, compared byte for byte
# With UPDATE_GOLDEN=1 the expected files are written instead.
set -u
program=$1 source=$2 dir=$3 case=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$source/examples" "$work/examples"
ln -s "$dir" "$work/case"
cd "$work" || exit 2

while IFS= read -r line || [ -n "$line" ]; do
  [ -z "$line" ] && continue
  eval "set -- $line"
  (exec -a subpyxis "$program" "$@") >run.out 2>run.err
  status=$?
  cat run.out >>log
  if [ -s run.err ]; then
    echo "--- stderr" >>log
    cat run.err >>log
  fi
  echo "exit $status" >>log
done <"$dir/$case.cmd"
rm -f run.out run.err

compare() {  # expected actual
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$2" "$1"
    return 0
  fi
  if ! diff -u "$1" "$2"; then
    echo "case $case: $(basename "$1") differs" >&2
    return 1
  fi
}

failed=0
compare "$dir/$case.ok" log || failed=1
for file in *; do
  case $file in log|examples|case) continue ;; esac
  if [ "${UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$file" "$dir/$case.$file.ok"
  elif [ ! -f "$dir/$case.$file.ok" ]; then
    echo "case $case: unexpected output file $file" >&2
    failed=1
  fi
done
for expected in "$dir/$case".*.ok; do
  [ -e "$expected" ] || continue
  file=${expected#"$dir/$case."}
  file=${file%.ok}
  if [ ! -f "$file" ]; then
    echo "case $case: $file was not written" >&2
    failed=1
    continue
  fi
  compare "$expected" "$file" || failed=1
done
exit $failed
