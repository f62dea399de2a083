#!/usr/bin/env bash
# The check programs as a user runs them: exit status 0 when all is well,
# 1 when they found something, 2 with a message when an input is wrong.
#   programs.sh BUILD_DIR SOURCE_DIR
set -u
build=$1 source=$2
ex=$source/examples
tech=$source/lib/example.tech
rules=("$ex/example.bridge" "$ex/example_rules.tf")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 2
printf 'L CMF;\nB 10 10 0 0\n' >broken.cif
printf 'Transistors_sizes:\n  M1 8\n' >broken_sizes.txt
failed=0
expect() {  # status "text in the output" command...
  local want=$1 text=$2
  shift 2
  local output status
  output=$("$@" 2>&1)
  status=$?
  if [ $status -ne "$want" ] || [[ "$output" != *"$text"* ]]; then
    echo "FAILED: $* gave $status, wanted $want and \"$text\":"
    echo "$output" | head -5
    failed=1
  fi
}
expect 2 "usage: rulecheck" "$build/rulecheck" "$tech"
expect 2 "cannot open missing.cif" "$build/rulecheck" "$tech" "${rules[@]}" missing.cif
expect 2 "broken.cif" "$build/rulecheck" "$tech" "${rules[@]}" broken.cif
expect 2 "cannot open nothing.tf" "$build/rulecheck" "$tech" "${rules[0]}" nothing.tf "$ex/amp.cif"
expect 0 "amp.cif: 0 violations" "$build/rulecheck" "$tech" "${rules[@]}" "$ex/amp.cif"
expect 1 "enclosure CWN/CSP" "$build/rulecheck" "$tech" "${rules[@]}" "$ex/inverter.cif"
expect 0 "new in the second: 0" "$build/rulecheck" "$tech" "${rules[@]}" "$ex/amp.cif" "$ex/amp.cif"
expect 2 "usage: samecircuit" "$build/samecircuit" "$tech" "$ex/amp.cif"
expect 0 "same circuit" "$build/samecircuit" "$tech" "$ex/amp.cif" "$ex/amp.cif"
expect 1 "different circuits" "$build/samecircuit" "$tech" "$ex/amp.cif" "$ex/nand2.cif"
expect 2 "M1 needs 2 or 4 values" "$build/samecircuit" "$tech" "$ex/amp.cif" "$ex/amp.cif" broken_sizes.txt
expect 1 "m1 at (104, 56): transistor_P W 16 L 2 um expected" "$build/samecircuit" --full "$tech" "$ex/amp.cif" "$ex/amp.cif" "$ex/sizes.txt"
expect 0 "transistor_P" "$build/samecircuit" --list "$tech" "$ex/amp.cif"
exit $failed
