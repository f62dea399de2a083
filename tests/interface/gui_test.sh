#!/usr/bin/env bash
# The Motif window under Xvfb: the widget tree, a menu, the file dialog,
# drawing, zoom, a sensitivity sweep with its plot, and recording a session
# that a fresh start plays back.
# quorin writes the place of every widget into $QUORIN_GEOMETRY, so the
# clicks need no fixed pixel positions.  Exits 77 (skipped) when Xvfb,
# xdotool, xwd or ImageMagick are missing.
set -u
quorin=$1 source=$2

skip() { echo "SKIP: $*"; exit 77; }
for tool in Xvfb xdotool xwd timeout; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
convert=""
for candidate in /usr/bin/convert-im6.q16 /usr/bin/convert-im7.q16 convert; do
  if command -v "$candidate" >/dev/null && "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
    convert=$candidate
    break
  fi
done
[ -n "$convert" ] || skip "ImageMagick is not installed"

work=$(mktemp -d)
xvfb_pid="" quorin_pid=""
cleanup() {
  [ -n "$quorin_pid" ] && kill "$quorin_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "[$SECONDS s] FAIL: $*"
  echo "--- quorin standard error"; cat "$work"/err* 2>/dev/null | tail -20
  [ -n "${KEEP_SHOT:-}" ] && xwd -root -silent >"$KEEP_SHOT" 2>/dev/null
  exit 1
}

# A free display: the server picks it and tells it on a file descriptor.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -1 "$work/display")
cd "$work" || exit 1
geom=$work/geom

wait_until() {  # seconds what command...
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && fail "timed out waiting for $what"
    sleep 0.2
  done
}
last_dump() {
  [ -f "$geom" ] || return 0
  awk '/^#dump$/ {buf = ""; inside = 1; next}
       /^#end$/ {if (inside) last = buf; inside = 0; next}
       inside {buf = buf $0 "\n"}
       END {printf "%s", last}' "$geom"
}
widget() {  # path regex [label] -> x y w h viewable
  last_dump | awk -v p="$1" -v l="${2:--}" '$1 ~ p && (l == "-" || $2 == l) {print $3, $4, $5, $6, $7; exit}'
}
viewable() { [ "$(widget "$@" | awk '{print $5}')" = 1 ]; }
hidden() { [ "$(widget "$@" | awk '{print $5}')" = 0 ]; }
click_widget() {  # path regex [label]
  local x y w h v
  read -r x y w h v <<<"$(widget "$@")"
  [ -n "${h:-}" ] || fail "no widget $*"
  timeout 5 xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
step() { echo "[$SECONDS s] $*"; }
menu() {  # cascade label, button name [nowait]
  step "menu $1 > $2"
  wait_until 10 "the menu bar" viewable 'MENUBAR\.cascade$' "$1"
  click_widget 'MENUBAR\.cascade$' "$1"
  # Motif keeps the pulldowns of one menu bar in one shell "popup_<first>".
  local item="popup_[^.]*\\.$1\\.$2\$"
  wait_until 10 "menu $1" viewable "$item"
  click_widget "$item"
  [ -n "${3:-}" ] || wait_until 10 "menu $1 to close" hidden "$item"
}
draw_click() {  # x y inside the drawing area
  local x y w h v
  read -r x y w h v <<<"$(widget '\.DRAWW$')"
  timeout 5 xdotool mousemove $((x + $1)) $((y + $2)) click 1
  sleep 0.3
}
choose_file() {  # path: typed into the open file dialog, then OK
  local x y w h v
  wait_until 10 "the file dialog" viewable '\.file_selection$'
  read -r x y w h v <<<"$(widget '\.file_selection\.Text$')"
  # A triple click selects the whole text, which the typed path replaces.
  timeout 5 xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat 3 --delay 40 1
  timeout 10 xdotool type --delay 5 "$1"
  timeout 5 xdotool key Return
  wait_until 20 "the file dialog to close" hidden '\.file_selection$'
}
view_line() { grep '^view ' "$geom" | tail -1; }
scale_is_not() { [ "$(view_line | awk '{print $2}')" != "$1" ]; }
drawing_area_shot() {  # the drawing area as a PNG image
  local x y w h v
  read -r x y w h v <<<"$(widget '\.DRAWW$')"
  timeout 10 xwd -root -silent >"$work/shot.xwd" || fail "xwd failed"
  timeout 20 "$convert" "$work/shot.xwd" -crop "$((w - 4))x$((h - 4))+$((x + 2))+$((y + 2))" +repage \
    "$work/drawing.png" || fail "ImageMagick could not read the screenshot"
}
colours_in_drawing() {
  drawing_area_shot
  timeout 20 "$convert" "$work/drawing.png" -format %k info:
}
# The overlap of a box difference is filled in colour 3 of lib/colors, red;
# menus that cover the drawing area are grey.
drawing_shows_overlap() {
  drawing_area_shot
  timeout 20 "$convert" "$work/drawing.png" -format %c histogram:info:- | grep -qi '#FF0000'
}
start_quorin() {  # name of the run
  step "start quorin ($1)"
  rm -f "$geom"
  QUORIN_GEOMETRY=$geom SYSRC=$source/lib/sysrc "$quorin" >"$work/out.$1" 2>"$work/err.$1" &
  quorin_pid=$!
  wait_until 20 "the window of quorin" viewable '\.DRAWW$'
}
quit_quorin() {
  menu File Quit nowait
  local end=$((SECONDS + 10))
  while kill -0 "$quorin_pid" 2>/dev/null; do
    [ "$SECONDS" -ge "$end" ] && fail "quorin did not quit"
    sleep 0.2
  done
  wait "$quorin_pid"
  local status=$?
  quorin_pid=""
  [ "$status" = 0 ] || fail "quorin ended with status $status"
}

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
