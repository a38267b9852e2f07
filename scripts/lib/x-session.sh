# Shared by the scripts that run the real program on a private X display: start
# Xvfb on a free display number, wait for windows with a bound, and stop every
# process started here by its id, whatever happens.
# shellcheck shell=bash

XS_PIDS=()

xs_cleanup() {
  local pid
  for pid in "${XS_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${XS_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  XS_PIDS=()
}

# Starts Xvfb on a display number that the server itself picks as free (so two
# sessions started at once cannot collide) and exports DISPLAY.
xs_start_display() {
  local numberFile _ n
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$numberFile" >/dev/null 2>&1 &
  XS_PIDS+=("$!")
  for _ in $(seq 1 100); do
    n=$(tr -dc '0-9' <"$numberFile")
    if [ -n "$n" ]; then
      rm -f "$numberFile"
      export DISPLAY=":$n"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$numberFile"
  echo "Xvfb did not start" >&2
  return 1
}

# Starts a program in the background on the display; its pid is in XS_LAST_PID.
xs_run() {
  "$@" &
  XS_LAST_PID=$!
  XS_PIDS+=("$XS_LAST_PID")
}

# Prints the id of the first visible window whose title is exactly $1, waiting
# at most $2 seconds (default 10). Fails if none shows.
xs_wait_window() {
  local title=$1 limit=${2:-10} _ id
  for _ in $(seq 1 $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits at most $2 seconds (default 10) until no visible window has the title $1.
xs_wait_gone() {
  local title=$1 limit=${2:-10} _
  for _ in $(seq 1 $((limit * 10))); do
    xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Clicks at client-area coordinates given in twips ($2, $3) of the window $1,
# whose menu bar is $4 pixels high.
xs_click_twips() {
  local win=$1 x=$(( $2 / 15 )) y=$(( $3 / 15 + $4 ))
  xdotool mousemove --window "$win" "$x" "$y" click 1
}
