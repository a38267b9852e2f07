# The steps a walk-through of the real program shares, on Linux and under wine
# (with x-session.sh): the splash then the main window, the worked example typed
# in and run, Result.txt's bytes, a menu item by its keys, and the program's end.
# shellcheck shell=bash

# How long each typed key waits (ms) and each wait's bound (s): wine is slower.
WALK_TYPE_DELAY=${WALK_TYPE_DELAY:-20}
WALK_LIMIT=${WALK_LIMIT:-10}
WALK_SETTLE=${WALK_SETTLE:-0.5} # before the main window is measured
# A folder for screenshots (set by the script), where fail leaves one.
WALK_SHOTS=${WALK_SHOTS:-}

fail() {
  echo "FAILED: $*" >&2
  if [ -n "$WALK_SHOTS" ]; then import -window root "$WALK_SHOTS/failure.png" 2>/dev/null || true; fi
  exit 1
}
step() { echo "-- $*"; }
# There is no window manager on the private display: give a window the keyboard
# focus directly.
focus_on() { xdotool windowfocus --sync "$1" 2>/dev/null || true; }

# Waits for the splash (the first visible window that `xdotool search` finds with
# the arguments given: the program's pid, or under wine, where the pid is wine's,
# a name), checks that the main window is not shown beside it, then waits for the
# main window and checks that the splash has gone. Sets WALK_WIN (the main
# window), WALK_MENU (its menu bar's height in pixels) and WIDTH and HEIGHT.
walk_splash_then_main() {
  local splash="" _
  for _ in $(seq 1 $((WALK_LIMIT * 10))); do
    splash=$(xdotool search --onlyvisible "$@" 2>/dev/null | head -n 1 || true)
    [ -n "$splash" ] && break
    sleep 0.1
  done
  [ -n "$splash" ] || fail "no window showed within $WALK_LIMIT s"
  xdotool search --onlyvisible --name '^Kappa Brennic Correction$' >/dev/null 2>&1 &&
    fail "the main window showed together with the splash"
  WALK_WIN=$(xs_wait_window "Kappa Brennic Correction" "$((WALK_LIMIT * 3 / 2))") ||
    fail "the main window did not show"
  # shellcheck disable=SC2034 # for the scripts that time the start
  WALK_SHOWN_MS=$(($(date +%s%N) / 1000000))
  if [ "$splash" != "$WALK_WIN" ] &&
    xdotool search --onlyvisible "$@" 2>/dev/null | grep -qx "$splash"; then
    fail "the splash is still shown beside the main window"
  fi
  sleep "$WALK_SETTLE"
  eval "$(xdotool getwindowgeometry --shell "$WALK_WIN")"
  WALK_MENU=$((HEIGHT - 361))
}

# Clicks the widget at twips ($1, $2) of the main window, then types $3 over its text.
walk_type_into() {
  xs_click_twips "$WALK_WIN" "$1" "$2" "$WALK_MENU"
  xdotool key ctrl+a
  xdotool type --delay "$WALK_TYPE_DELAY" "$3"
}
walk_click() { xs_click_twips "$WALK_WIN" "$1" "$2" "$WALK_MENU"; }

# Size 3, Apply, the nine counts of the worked example with Return, and Do It.
walk_worked_example() {
  local count
  walk_type_into 390 1147 3
  walk_click 847 4087
  walk_click 5167 667
  for count in 20 5 0 3 15 2 2 5 48; do
    xdotool key ctrl+a
    xdotool type --delay "$WALK_TYPE_DELAY" "$count"
    xdotool key Return
  done
  sleep 1 # one timer tick enables Do It
  walk_click 6847 4687
}

# Fails with $2 unless the file $1 comes to hold the worked example's result lines.
walk_expect_result() {
  local expected actual _
  for _ in $(seq 1 $((WALK_LIMIT * 10))); do
    [ -s "$1" ] && break
    sleep 0.1
  done
  expected=$(printf '"PC","PO","KAPPA","LO-95%% CI","HI-95%% CI","SE","Z"\r\n 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668  0.0795394908975717  9.0828967024969 \r\n' | od -An -tx1)
  actual=$(od -An -tx1 "$1" 2>/dev/null || true)
  [ "$actual" = "$expected" ] || fail "$2"
}

# Opens the menu with the key $1 and chooses its item $2 (1 = the first).
walk_menu_item() {
  local _
  walk_click 900 300 # the heading: focus back on the main window
  xdotool key "$1"
  sleep 0.5
  for _ in $(seq 2 "$2"); do xdotool key Down; done
  xdotool key Return
}

# File, Exit, and the program with the id $1 ends.
walk_exit() {
  local _
  walk_menu_item alt+f 2
  for _ in $(seq 1 $((WALK_LIMIT * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  fail "the program did not end"
}
