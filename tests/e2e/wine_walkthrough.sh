#!/usr/bin/env bash
# Drives the Windows program under wine on a private X display with real key
# presses and clicks: the splash, then the main window; the worked example typed
# in and run, Result.txt beside brennic.exe and a Windows path in the status bar;
# About with System Info, found through a registry value this test writes and
# unavailable without it; How-to without c:\winnt\hh.exe; File, Exit. Every wait
# has a bound; the display and the wine server are stopped whatever happens.
#
#   wine_walkthrough.sh BRENNIC_EXE STAND_IN_EXE TEST_PREFIX
#
# With BRENNIC_SCREENSHOTS=DIR it leaves screenshots of the main window, the
# About window and a message box there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/lib/x-session.sh
. "$here/../../scripts/lib/x-session.sh"
# shellcheck source=../../scripts/lib/wine-session.sh
. "$here/../../scripts/lib/wine-session.sh"

work=$(mktemp -d)
trap 'ws_cleanup; xs_cleanup; rm -rf "$work"' EXIT
shots=${BRENNIC_SCREENSHOTS:-}

fail() {
  echo "FAILED: $*" >&2
  [ -n "$shots" ] && import -window root "$shots/failure.png" 2>/dev/null
  exit 1
}
step() { echo "-- $*"; }
focus_on() { xdotool windowfocus --sync "$1" 2>/dev/null || true; }
shot() { # $1: window id, $2: file name
  if [ -n "$shots" ]; then import -window "$1" "$shots/$2" 2>/dev/null || true; fi
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The text in the rectangle $2 (WxH+X+Y, pixels) of window $1, as the OCR reads
# it from the picture enlarged three times (the size it reads wine's unsmoothed
# text best at).
read_text() {
  import -window "$1" -crop "$2" +repage -resize 300% "$work/text.png"
  tesseract "$work/text.png" - --psm 7 2>/dev/null
}

xs_start_display
ws_prepare "$3" "$work/prefix" "$1"
tools="$WINEPREFIX/drive_c/Tools"
mkdir -p "$tools"
cp "$2" "$tools/sysinfo.exe"
msinfo='HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO'
location='HKLM\SOFTWARE\Microsoft\Shared Tools Location'
wine reg delete "$msinfo" /f >/dev/null 2>&1 || true
wine reg delete "$location" /v MSINFO /f >/dev/null 2>&1 || true

step "the splash shows first, then the main window"
begin=$(now_ms)
xs_run wine 'C:\Brennic\brennic.exe'
pid=$XS_LAST_PID
splash=""
for _ in $(seq 1 300); do
  splash=$(xdotool search --onlyvisible --name '.' 2>/dev/null | head -n 1 || true)
  [ -n "$splash" ] && break
  sleep 0.1
done
[ -n "$splash" ] || fail "no window showed within 30 s"
xdotool search --onlyvisible --name '^Kappa Brennic Correction$' >/dev/null 2>&1 &&
  fail "the main window showed together with the splash"
win=$(xs_wait_window "Kappa Brennic Correction" 30) || fail "the main window did not show"
echo "the main window showed $(($(now_ms) - begin - 2500)) ms after the start, beyond the 2500 ms pause"
xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$splash" &&
  [ "$splash" != "$win" ] && fail "the splash is still shown beside the main window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$win")"
menu=$((HEIGHT - 361))
shot "$win" main-window.png

type_into() { # clicks the widget at twips ($1, $2), then types $3 over its text
  xs_click_twips "$win" "$1" "$2" "$menu"
  xdotool key ctrl+a
  xdotool type --delay 30 "$3"
}

step "size 3, Apply, the nine counts with Return, Do It"
type_into 390 1147 3
xs_click_twips "$win" 847 4087 "$menu"
xs_click_twips "$win" 5167 667 "$menu"
for count in 20 5 0 3 15 2 2 5 48; do
  xdotool key ctrl+a
  xdotool type --delay 30 "$count"
  xdotool key Return
done
sleep 1 # one timer tick enables Do It
xs_click_twips "$win" 6847 4687 "$menu"
result="$WS_PROGRAM_DIR/Result.txt"
for _ in $(seq 1 100); do
  [ -s "$result" ] && break
  sleep 0.1
done
expected=$(printf '"PC","PO","KAPPA","LO-95%% CI","HI-95%% CI","SE","Z"\r\n 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668  0.0795394908975717  9.0828967024969 \r\n' | od -An -tx1)
actual=$(od -An -tx1 "$result" 2>/dev/null || true)
[ "$actual" = "$expected" ] || fail "C:\\Brennic\\Result.txt does not hold the worked example's 162 bytes"
sleep 0.5
shot "$win" main-window-run.png
status=$(read_text "$win" "$((WIDTH - 4))x18+2+$((HEIGHT - 19))")
echo "status bar: $status"
# The OCR misreads the colon and the backslashes of wine's small unsmoothed text
# (as a quote, an "i" or nothing), never the drive letter and the names; a path
# of the Linux side would start "to /".
echo "$status" | grep -Eq 'to C.{0,3}Brennic.{0,2}Result.?txt' ||
  fail "the status bar does not name C:\\Brennic\\Result.txt"

menu_item() { # opens the menu with the key $1 and chooses its item $2 (1 = first)
  xs_click_twips "$win" 900 300 "$menu" # the heading: focus back on the main window
  xdotool key "$1"
  sleep 0.5
  for _ in $(seq 2 "$2"); do xdotool key Down; done
  xdotool key Return
}

step "About, System Info without the registry values: the message"
menu_item alt+h 2
about=$(xs_wait_window "About Brennic" 15) || fail "the About window did not open"
sleep 0.5
shot "$about" about.png
focus_on "$about"
xdotool key alt+s
box=$(xs_wait_window "Brennic" 15) || fail "no message for the missing system-information tool"
sleep 0.5
shot "$box" message-box.png
focus_on "$box"
xdotool key Return
xs_wait_gone "Brennic" 10 || fail "the message box did not close"

step "System Info with the registry value naming the stand-in: it is started"
wine reg add "$msinfo" /v PATH /d 'C:\Tools\sysinfo.exe' /f >/dev/null 2>&1
focus_on "$about"
xdotool key alt+s
for _ in $(seq 1 150); do
  [ -s "$tools/started.txt" ] && break
  sleep 0.1
done
[ "$(cat "$tools/started.txt" 2>/dev/null)" = 'C:\Tools\sysinfo.exe' ] ||
  fail "System Info did not start C:\\Tools\\sysinfo.exe"
xdotool search --onlyvisible --name '^Brennic$' >/dev/null 2>&1 &&
  fail "the unavailable message showed although the tool was started"
# Whatever the started program did with the focus, give it back to the About
# window before each try.
for _ in 1 2 3; do
  focus_on "$about"
  xdotool key Escape
  xs_wait_gone "About Brennic" 3 && break
done
xs_wait_gone "About Brennic" 1 || fail "Escape did not close the About window"

step "How-to: no c:\\winnt\\hh.exe, so the help page beside the program"
[ ! -e "$WINEPREFIX/drive_c/winnt/hh.exe" ] || fail "the prefix has c:\\winnt\\hh.exe"
menu_item alt+h 1
# As on Linux: the program's own help window where it has one, else the page
# handed to the desktop, which under wine has nothing to show it with, so the
# message naming both tries.
help=""
for _ in $(seq 1 150); do
  help=$(xdotool search --onlyvisible --name '^(Brennic Help|How-to)$' 2>/dev/null | head -n 1 || true)
  [ -n "$help" ] && break
  sleep 0.1
done
[ -n "$help" ] || fail "How-to showed neither the help nor a message"
sleep 0.5
shot "$help" how-to.png
focus_on "$help"
xdotool key Escape
for _ in $(seq 1 100); do
  xdotool search --onlyvisible --name '^(Brennic Help|How-to)$' >/dev/null 2>&1 || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null || fail "the program ended after How-to"
# The help window stays open (it is modeless): move it off the screen so that it
# cannot take the click that gives the main window the focus again.
for w in $(xdotool search --onlyvisible --name '^Brennic Help$' 2>/dev/null); do
  xdotool windowmove "$w" 3000 3000 2>/dev/null || true
done
sleep 0.3

step "File, Exit ends the program"
menu_item alt+f 2
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end"
echo "walk-through under wine: all steps passed"
