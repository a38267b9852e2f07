#!/usr/bin/env bash
# Drives the real program on a private X display with real key presses and
# clicks, as a user would: the splash comes and goes, the worked example is typed
# in and run, an empty cell is reported, the About window opens and closes, and
# File, Exit ends the program. Every wait has a bound; the program and the
# display are stopped by their process ids whatever happens.
#
#   e2e_test.sh PATH/TO/brennic
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/lib/x-session.sh
. "$here/../../scripts/lib/x-session.sh"

work=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$work"' EXIT
cp "$1" "$work/brennic"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
step() { echo "-- $*"; }
# There is no window manager on the private display: give a window the keyboard
# focus directly.
focus_on() { xdotool windowfocus --sync "$1" 2>/dev/null || true; }

xs_start_display

step "the splash shows first, then the main window"
xs_run "$work/brennic"
pid=$XS_LAST_PID
splash=""
for _ in $(seq 1 100); do
  splash=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$splash" ] && break
  sleep 0.1
done
[ -n "$splash" ] || fail "no window showed within 10 s"
xdotool search --onlyvisible --name '^Kappa Brennic Correction$' >/dev/null 2>&1 &&
  fail "the main window showed together with the splash"
win=$(xs_wait_window "Kappa Brennic Correction" 15) || fail "the main window did not show"
visible=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
[ "$visible" -eq 1 ] || fail "the splash is still shown beside the main window"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
menu=$((HEIGHT - 361))

type_into() { # clicks the widget at twips ($1, $2), then types $3 over its text
  xs_click_twips "$win" "$1" "$2" "$menu"
  xdotool key ctrl+a
  xdotool type --delay 20 "$3"
}

step "size 3, Apply, the nine counts with Return, Do It"
type_into 390 1147 3
xs_click_twips "$win" 847 4087 "$menu"
xs_click_twips "$win" 5167 667 "$menu"
for count in 20 5 0 3 15 2 2 5 48; do
  xdotool key ctrl+a
  xdotool type --delay 20 "$count"
  xdotool key Return
done
sleep 0.8 # one timer tick enables Do It
xs_click_twips "$win" 6847 4687 "$menu"
for _ in $(seq 1 50); do
  [ -s "$work/Result.txt" ] && break
  sleep 0.1
done
expected=$(printf '"PC","PO","KAPPA","LO-95%% CI","HI-95%% CI","SE","Z"\r\n 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668  0.0795394908975717  9.0828967024969 \r\n' | od -An -tx1)
actual=$(od -An -tx1 "$work/Result.txt" 2>/dev/null || true)
[ "$actual" = "$expected" ] || fail "Result.txt does not hold the worked example's two lines"

step "an empty cell brings the input error"
type_into 390 1147 4
xs_click_twips "$win" 847 4087 "$menu"
sleep 0.8
xs_click_twips "$win" 6847 4687 "$menu"
box=$(xs_wait_window "Error in your input" 10) || fail "no message for the empty cell"
focus_on "$box"
xdotool key Return
xs_wait_gone "Error in your input" 10 || fail "the message box did not close"

step "Help, About Brennic, and Escape closes it"
xs_click_twips "$win" 900 300 "$menu" # the heading: focus back on the main window
xdotool key alt+h
sleep 0.3
xdotool key Down Return
about=$(xs_wait_window "About Brennic" 10) || fail "the About window did not open"
focus_on "$about"
xdotool key Escape
xs_wait_gone "About Brennic" 10 || fail "Escape did not close the About window"

step "File, Exit ends the program"
xs_click_twips "$win" 900 300 "$menu"
xdotool key alt+f
sleep 0.3
xdotool key Down Return
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end"
echo "end-to-end: all steps passed"
