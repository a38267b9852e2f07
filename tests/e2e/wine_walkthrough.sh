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
# shellcheck source=../../scripts/lib/walk-steps.sh
. "$here/../../scripts/lib/walk-steps.sh"

work=$(mktemp -d)
trap 'ws_cleanup; xs_cleanup; rm -rf "$work"' EXIT
WALK_SHOTS=${BRENNIC_SCREENSHOTS:-}
WALK_TYPE_DELAY=30
WALK_LIMIT=20
WALK_SETTLE=1

shot() { # $1: window id, $2: file name
  if [ -n "$WALK_SHOTS" ]; then import -window "$1" "$WALK_SHOTS/$2" 2>/dev/null || true; fi
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The text in the rectangle $2 (WxH+X+Y, pixels) of window $1, as the OCR reads
# it from the picture in grey, enlarged four times; $3 pixels are first cut off
# each edge (a button's frame and focus outline, which the OCR takes for text).
read_text() {
  import -window "$1" -crop "$2" +repage "$work/shot.png"
  convert "$work/shot.png" -shave "${3:-0}x${3:-0}" -colorspace Gray -resize 400% "$work/text.png"
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
walk_splash_then_main --name .
win=$WALK_WIN
# (With the 2 s wine waits for a window manager, which the display lacks, when it
# hides the splash; scripts/measure-wine times the start without that wait.)
echo "the main window showed $((WALK_SHOWN_MS - begin - 2500)) ms after the start, beyond the 2500 ms pause"
shot "$win" main-window.png

step "size 3, Apply, the nine counts with Return, Do It"
walk_worked_example
walk_expect_result "$WS_PROGRAM_DIR/Result.txt" \
  "C:\\Brennic\\Result.txt does not hold the worked example's 162 bytes"
sleep 0.5
shot "$win" main-window-run.png
status=$(read_text "$win" "$((WIDTH - 4))x18+2+$((HEIGHT - 19))")
echo "status bar: $status"
# The OCR misreads the colon and the backslashes of the small text (as a quote,
# an "i" or nothing), and the "l" of Result, never the drive letter and the
# names; a path of the Linux side would start "to /".
echo "$status" | grep -Eq 'to C.{0,3}Brennic.{0,2}Resu.{0,2}t.?txt' ||
  fail "the status bar does not name C:\\Brennic\\Result.txt"

# Every glyph is drawn: a capital I and "!" are single thin strokes, the first
# that a wrong text smoothing loses (the OCR may read the I as an l).
button=$(read_text "$win" "113x33+400+$((296 + WALK_MENU))" 6)
echo "Do It button: $button"
echo "$button" | grep -Eq 'Do ?[Il1|]t ?!' || fail "the Do It! button does not read \"Do It!\""

step "About, System Info without the registry values: the message"
walk_menu_item alt+h 2
about=$(xs_wait_window "About Brennic" 15) || fail "the About window did not open"
sleep 0.5
shot "$about" about.png
button=$(read_text "$about" "83x23+284+205" 4)
echo "System Info button: $button"
echo "$button" | grep -Eq 'System ?[Il1|]nfo' || fail "the System Info button does not read \"System Info...\""
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
walk_menu_item alt+h 1
# The program's own help window: it is always there, whatever the desktop has.
help=$(xs_wait_window "Brennic Help" 15) || fail "How-to did not show the help window"
sleep 0.5
shot "$help" how-to.png
focus_on "$help"
xdotool key Escape
kill -0 "$pid" 2>/dev/null || fail "the program ended after How-to"
# The help window stays open (it is modeless): move it off the screen so that it
# cannot take the click that gives the main window the focus again.
for w in $(xdotool search --onlyvisible --name '^Brennic Help$' 2>/dev/null); do
  xdotool windowmove "$w" 3000 3000 2>/dev/null || true
done
sleep 0.3

step "File, Exit ends the program"
walk_exit "$pid"
echo "walk-through under wine: all steps passed"
