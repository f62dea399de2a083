# Helpers of the window tests (sourced): an Xvfb server of its own, the
# place of every widget from $QUORIN_GEOMETRY, menus, the file dialog,
# clicks in the drawing area and screenshots.  The caller sets quorin and
# source (the program and the source tree); $sysrc may name another system
# source file.  Exits 77 (skipped) when Xvfb, xdotool, xwd or ImageMagick
# are missing.

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
answer_dialog() {  # dialog name, text: typed into the dialog's text field, then OK
  local x y w h v
  wait_until 10 "the dialog $1" viewable "\\.$1\$"
  read -r x y w h v <<<"$(widget "\\.$1\\.Text\$")"
  # A triple click selects the whole text, which the typed text replaces.
  timeout 5 xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat 3 --delay 40 1
  timeout 10 xdotool type --delay 5 "$2"
  timeout 5 xdotool key Return
  wait_until 20 "the dialog $1 to close" hidden "\\.$1\$"
}
choose_file() { answer_dialog file_selection "$1"; }  # path for the open file dialog
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
  QUORIN_GEOMETRY=$geom SYSRC=${sysrc:-$source/lib/sysrc} "$quorin" >"$work/out.$1" 2>"$work/err.$1" &
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

