#!/usr/bin/env bash
# The Motif window under Xvfb: the widget tree, a menu, the file dialog,
# drawing, zoom, a sensitivity sweep with its plot, and recording a session
# that a fresh start plays back.
# quorin writes the place of every widget into $QUORIN_GEOMETRY, so the
# clicks need no fixed pixel positions.  Exits 77 (skipped) when Xvfb,
# xdotool, xwd or ImageMagick are missing.
set -u
quorin=$1 source=$2

. "$(dirname "$0")/gui_lib.sh"

# --- The window and its widget tree.
start_quorin first
for name in MAINW Pane Paned1 Paned2 Paned3 Paned4 Paned5 MENUBAR MESSAGE WORKW DRAWW ROWCOLUMN \
            SCALEW Scale Sep2 LAYERPANEL LAYERW toggle1 toggle2 toggle3 Sep3 SHOWW frame BUTTON \
            COMMAND POPUPWINDOW POPUPFRAME BUTTONAREA BUTTONFRAME dismiss DRAWAREA POPUPDRAW \
            FORM file_selection working; do
  [ -n "$(widget "\\.$name\$")" ] || fail "no widget named $name"
done
for name in Paned1 Paned2 Paned3 Paned4 MENUBAR MESSAGE DRAWW LAYERPANEL; do
  viewable "\\.$name\$" || fail "$name is not shown"
done
hidden '\.Paned5$' || fail "the command line is shown at start"
# The Options menu offers the CIF reading mode as a pulldown of two buttons.
for name in CIF_Mode Strict Full; do
  [ -n "$(widget "\\.$name\$")" ] || fail "no $name entry in the Options menu"
done
[ "$(colours_in_drawing)" = 1 ] || fail "the drawing area is not empty at start"

# --- A file through the file dialog.
menu File Technology
choose_file "$source/lib/example.tech"
technology_loaded_twice() { [ "$(grep -c 'Message: Load technology file OK.' "$work/err.first")" -ge 2 ]; }
wait_until 10 "the technology to load" technology_loaded_twice

# --- A layout through the file dialog: it is drawn.
menu File Read_Layout
choose_file "$source/examples/inverter.cif"
layout_loaded() { grep -q 'Load CIF file OK.' "$work/err.first"; }
wait_until 20 "the layout to load" layout_loaded
# The top cell shows its calls as outlines; flattened, every layer is drawn.
outlines_drawn() { [ "$(colours_in_drawing)" = 2 ]; }
wait_until 10 "the calls to be drawn" outlines_drawn
menu Layout Flatten
menu View Fit
layout_drawn() { [ "$(colours_in_drawing)" -ge 4 ]; }
wait_until 10 "the layout to be drawn" layout_drawn

# --- The bundled amplifier through the whole analysis: the planes are drawn.
menu File Load_and_Analyse
choose_file "$source/examples/amp.cif"
analysed() { grep -qx 'Read CIF file OK.' "$work/err.first"; }
wait_until 30 "the amplifier to be analysed" analysed
grep -q 'Message: Extracted Circuit OK.' "$work/err.first" || fail "the amplifier was not extracted"
wait_until 10 "the amplifier to be drawn" layout_drawn
[ -n "${KEEP_LAYOUT_SHOT:-}" ] && cp "$work/drawing.png" "$KEEP_LAYOUT_SHOT"

# --- Drawing: the difference of two boxes.
menu View Box_Difference
draw_click 100 100
draw_click 300 300
draw_click 200 200
draw_click 400 400
wait_until 10 "a drawing" drawing_shows_overlap

# --- Zoom in and out.
scale0=$(view_line | awk '{print $2}')
menu View Zoom_In
draw_click 100 100
draw_click 300 250
wait_until 5 "the zoom in" scale_is_not "$scale0"
scale1=$(view_line | awk '{print $2}')
awk -v a="$scale1" -v b="$scale0" 'BEGIN {exit !(a < b)}' || fail "zoom in made the scale $scale1 from $scale0"
menu View Zoom_Out
draw_click 200 200
draw_click 300 280
wait_until 5 "the zoom out" scale_is_not "$scale1"
scale2=$(view_line | awk '{print $2}')
awk -v a="$scale2" -v b="$scale1" 'BEGIN {exit !(a > b)}' || fail "zoom out made the scale $scale2 from $scale1"

# --- A sensitivity sweep of metal 1 and its plot in the plot window.
step "make CMF the active layer"
click_widget '\.toggle1$'
sleep 0.3
click_widget '\.BUTTON$' CMF
cmf_active() { grep -q 'CMF is switched on' "$work/err.first"; }
wait_until 10 "CMF to be active" cmf_active
menu Yield Analyse_Shorts
swept() { grep -q 'Analyzing layout sensitivity for missing materials done' "$work/err.first"; }
wait_until 30 "the sweep" swept
[ "$(grep -c 'Message: One step done.' "$work/err.first")" = 10 ] || fail "the sweep did not take 10 steps"
menu Yield Sensitivity_Plot
wait_until 10 "the plot window" viewable '\.POPUPDRAW$'
# The sensitivity curve is drawn in colour 6 of lib/colors, magenta.
plot_shows_curve() {
  local x y w h v
  read -r x y w h v <<<"$(widget '\.POPUPDRAW$')"
  timeout 10 xwd -root -silent >"$work/plot.xwd" || return 1
  timeout 20 "$convert" "$work/plot.xwd" -crop "$((w - 4))x$((h - 4))+$((x + 2))+$((y + 2))" +repage \
    "$work/plot.png" || return 1
  timeout 20 "$convert" "$work/plot.png" -format %c histogram:info:- | grep -qi '#FF00FF'
}
wait_until 10 "the sensitivity curve in the plot window" plot_shows_curve
click_widget '\.dismiss$'
wait_until 10 "the plot window to go" hidden '\.POPUPDRAW$'
# The bridge and open runs over all nets, at the scale the sweep left.
menu Faults Shorts_All_Layers
bridged() { grep -q 'short faults have been extracted' "$work/err.first"; }
wait_until 30 "the bridge run" bridged
menu Faults Opens_All_Layers
broken() { grep -q 'open faults have been extracted' "$work/err.first"; }
wait_until 30 "the open run" broken
quit_quorin

# --- Record a session.
start_quorin record
menu File Start_Recording
menu View Box_Difference
draw_click 100 100
draw_click 300 300
draw_click 200 200
draw_click 400 400
wait_until 10 "the recorded drawing" drawing_shows_overlap
menu File Stop_Recording
quit_quorin
[ -s .Fplayback ] || fail ".Fplayback was not written"
awk 'NF != 13 {bad = 1} END {exit bad}' .Fplayback || fail ".Fplayback has lines that are not 13 numbers"
presses=$(awk '$2 == 4' .Fplayback | wc -l)
[ "$presses" -ge 6 ] || fail ".Fplayback holds $presses button presses, expected at least 6"

# --- Play it back in a fresh start.
start_quorin playback
[ "$(colours_in_drawing)" = 1 ] || fail "the drawing area is not empty before the playback"
menu File Playback nowait  # the replay runs inside the button's callback
wait_until 45 "the playback to end" hidden 'popup_[^.]*\.File\.Playback$'
drawing_shows_overlap || fail "the playback did not draw the box difference"
quit_quorin
step "PASS"
