#!/usr/bin/env bash
# What the window shows of the analyses, under Xvfb: the report pane holds
# the lines of a symmetry detection and of a fault run, in order and as the
# streams have them; a pointer interaction prompts each click and Escape
# stops it; the report is saved; an editor that can not start is reported.
# quorin writes its widgets' places into $QUORIN_GEOMETRY and the text of
# the report pane into $QUORIN_REPORT.  The window is kept as a picture in
# the file named by the third argument.
set -u
quorin=$1 source=$2 picture=${3:-}

. "$(dirname "$0")/gui_lib.sh"

report=$work/report
export QUORIN_REPORT=$report
# The bundled system source file with its files named in full, and an
# editor that does not exist.
sysrc=$work/sysrc
sed -E "s|^(TechFile\|MenuFile\|ColorFile\|IconPath)( +)|\1\2$source/lib/|" "$source/lib/sysrc" >"$sysrc"
echo "Editor no-such-editor-here" >>"$sysrc"

reported() { [ -f "$report" ] && grep -qF -- "$1" "$report"; }
message_box() { last_dump | awk '$1 ~ /\.MESSAGE$/ {print $2; exit}'; }
message_shows() { message_box | grep -qF -- "$1"; }
# The lines of a stream as a terminal shows them: a backspace takes back
# the character before it.
as_shown() {
  awk '{ line = ""
         for (i = 1; i <= length($0); ++i) {
           c = substr($0, i, 1)
           if (c == "\b") line = substr(line, 1, length(line) - 1); else line = line c
         }
         print line }' "$@"
}

start_quorin report
menu File Technology
choose_file "$source/lib/example.tech"
menu File Load_and_Analyse
choose_file "$source/examples/amp.cif"
wait_until 30 "the amplifier in the report" reported "Read CIF file OK."

# --- The analyses' lines in the report pane, in the order written.
menu Symmetry Direct_Detection
wait_until 20 "the symmetry axis in the report" reported "**** Done symmetry detection"
menu Faults Shorts_All_Layers
wait_until 30 "the bridges in the report" reported "short faults have been extracted."
grep -q "The symmetry axis is : " "$report" || fail "the report lacks the symmetry axis"
faults=$(grep -o 'Message: [0-9]* short faults have been extracted' "$report" | awk '{print $2}')
[ "${faults:-0}" -gt 0 ] || fail "the bundled defect sizes find no bridge on the amplifier"
grep -q '^Total fault weight(critical area): [0-9]*\.$' "$report" || fail "the report lacks the fault weight"
order=$(grep -n -e 'Done symmetry detection' -e 'Extracting the shorts caused by the spot defects' \
          "$report" | cut -d: -f1 | tr '\n' ' ')
set -- $order
[ $# = 2 ] && [ "$1" -lt "$2" ] || fail "the symmetry lines do not come before the fault lines ($order)"

# --- Each click of an interaction is prompted; Escape stops it.
menu View Zoom_In
wait_until 5 "the first prompt" message_shows "Click_the_first_corner_of_the_zoom_box"
draw_click 100 100
wait_until 5 "the second prompt" message_shows "Click_the_opposite_corner_of_the_zoom_box"
timeout 5 xdotool key Escape
prompt_gone() { ! message_shows "Click_the"; }
wait_until 5 "the prompt to go" prompt_gone

# --- A net found by its number is highlighted; then an interaction waits.
menu Circuit FindNet
answer_dialog FORM 3
wait_until 10 "the net in the report" reported "Net number: 3"
menu Circuit Show_Object
wait_until 5 "the pointing prompt" message_shows "Click_a_net_or_a_transistor_to_show_it"

# --- The window as a designer sees it, kept for people to look at.
if [ -n "$picture" ]; then
  read -r x y w h v <<<"$(widget '\.MAINW$')"
  timeout 10 xwd -root -silent >"$work/window.xwd" || fail "xwd failed"
  timeout 20 "$convert" "$work/window.xwd" -crop "${w}x${h}+${x}+${y}" +repage "$picture" \
    || fail "the window could not be kept as $picture"
fi

# --- Save as writes what the pane holds.
click_widget '\.Save_as$'
answer_dialog report_file "$work/saved.txt"
wait_until 10 "the report to be saved" reported "Message: The report is saved in $work/saved.txt."
grep -qF "**** Done symmetry detection" "$work/saved.txt" || fail "the saved report lacks the symmetry lines"

# --- An editor that can not start is said so in the window.
menu File Editor
wait_until 10 "the editor's failure" message_shows "Can't_start_the_editor_no-such-editor-here"

# --- Clear empties the pane.
click_widget '\.Clear$'
cleared() { [ ! -s "$report" ]; }
wait_until 5 "the pane to be cleared" cleared
menu Options Hello
wait_until 5 "the report after the clearing" reported "Hello!"
[ "$(wc -l <"$report")" -le 2 ] || fail "the pane kept lines from before the clearing"
quit_quorin

# --- The streams are as they were, and the pane held all of them up to the
# saving: the same lines, as a terminal shows them.
as_shown "$work/out.report" | grep -v '^Hello!' >"$work/streams"  # Hello came after the saving
as_shown "$work/err.report" | sed '/^Message: The report is saved in /,$d' >>"$work/streams"
sort -o "$work/streams" "$work/streams"
as_shown "$work/saved.txt" | sort >"$work/pane"
diff "$work/streams" "$work/pane" >"$work/pane.diff" ||
  fail "the pane and the streams differ: $(head -5 "$work/pane.diff" | tr "\n" " ")"
step "PASS"
