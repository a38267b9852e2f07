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
# shellcheck source=../../scripts/lib/walk-steps.sh
. "$here/../../scripts/lib/walk-steps.sh"

work=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$work"' EXIT
cp "$1" "$work/brennic"

xs_start_display

step "the splash shows first, then the main window"
xs_run "$work/brennic"
pid=$XS_LAST_PID
walk_splash_then_main --pid "$pid"

step "size 3, Apply, the nine counts with Return, Do It"
walk_worked_example
walk_expect_result "$work/Result.txt" "Result.txt does not hold the worked example's two lines"

step "an empty cell brings the input error"
walk_type_into 390 1147 4
walk_click 847 4087
sleep 0.8
walk_click 6847 4687
box=$(xs_wait_window "Error in your input" 10) || fail "no message for the empty cell"
focus_on "$box"
xdotool key Return
xs_wait_gone "Error in your input" 10 || fail "the message box did not close"

step "Help, About Brennic, and Escape closes it"
walk_menu_item alt+h 2
about=$(xs_wait_window "About Brennic" 10) || fail "the About window did not open"
focus_on "$about"
xdotool key Escape
xs_wait_gone "About Brennic" 10 || fail "Escape did not close the About window"

step "File, Exit ends the program"
walk_exit "$pid"
echo "end-to-end: all steps passed"
