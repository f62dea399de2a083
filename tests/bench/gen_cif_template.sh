#!/usr/bin/env bash
# gen_cif --template: bad templates are refused with status 2 and a message
# naming the line, leaving an existing output file as it was; copies sit
# one pitch apart on the grid; four copies of
# the example inverter load with quorin-batch as eight transistors on
# sixteen nets, each copy's input and output under its own name.
set -u
gen=$1 batch=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
fail() { echo "gen_cif_template: $*"; failed=1; }

# Each case: the expected text, then the template.
refused() {
  local expected=$1 body=$2
  printf '%b' "$body" >bad.cif
  echo "previous" >out.cif
  "$gen" --template bad.cif --count 3 -o out.cif 2>err
  local status=$?
  [ "$status" = 2 ] || fail "status $status for: $body"
  grep -qF -- "$expected" err || fail "no '$expected' for: $body; got: $(cat err)"
  [ "$(cat out.cif)" = previous ] || fail "output file changed for: $body"
}
refused "bad.cif:2: unknown command 'Q'" 'L CMF;\nQ 1 2;\nE\n'
refused "bad.cif:2: a box of zero or negative size" 'L CMF;\nB 0 10 5 5;\nE\n'
refused "bad.cif:1: a box of zero or negative size" 'L CMF; B 10 -4 5 5;\nE\n'
refused "bad.cif:2: the number 2147483648 does not fit 32 bits" 'L CMF;\nB 10 10 2147483648 0;\nE\n'
refused "bad.cif:1: missing ';' at the end of the line" 'L CMF\nB 10 10 5 5;\nE\n'
refused "bad.cif:2: missing ';' at the end of the file" 'L CMF;\nB 10 10 5 5'
refused "bad.cif:1: 'DS' commands are not accepted" 'DS 1;\nL CMF;\nB 10 10 5 5;\nDF;\nE\n'
refused "bad.cif:1: a box before any layer command" 'B 10 10 5 5;\nE\n'
refused "bad.cif:1: the comment is not closed" '(open (nested);\nL CMF;\nE\n'
refused "bad.cif: the template holds no boxes" '(only a comment);\nE\n'

# The pitch is the extent plus a tenth, rounded up to the 10-unit grid; a
# label's layer becomes the current layer, as in the layout reader.
printf 'L CMF;\nB 33 17 0 0;\n94 a 0 0 CPG;\nB 3 3 0 0;\nE\n' >odd.cif
"$gen" --template odd.cif --count 3 --columns 2 -o odd_out.cif 2>/dev/null || fail "odd.cif was refused"
expected='L CMF;
B 33 17 0 0;
B 33 17 40 0;
B 33 17 0 20;
L CPG;
B 3 3 0 0;
B 3 3 40 0;
B 3 3 0 20;
94 a_0 0 0 CPG;
94 a_1 40 0 CPG;
94 a_2 0 20 CPG;'
[ "$(grep -v '^(\|^DS\|^9 \|^DF\|^C \|^E' odd_out.cif)" = "$expected" ] ||
  fail "odd.cif copies: $(cat odd_out.cif)"

"$gen" --template "$source/examples/cmos_inverter.cif" --count 4 -o inv4.cif 2>/dev/null ||
  fail "the example inverter was refused"
printf 'f.DIldLayout inv4.cif\nf.DExOutput\n' >load.batch
SYSRC="$source/lib/sysrc" "$batch" load.batch >stdout 2>stderr || fail "quorin-batch failed"
grep -q "Message: 8 transistors are extracted." stderr || fail "not 8 transistors: $(grep transistors stderr)"
grep -q "Message: 16 nets are extracted." stderr || fail "not 16 nets: $(grep nets stderr)"
for copy in 0 1 2 3; do
  grep -q "(0_in_$copy 0_vdd 0_out_$copy)" circuit.net || fail "copy $copy's pMOS is not on its own nets"
done
exit $failed
