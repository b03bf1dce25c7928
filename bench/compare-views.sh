#!/usr/bin/env bash
# Frame rates of the two terminal views beside the two reference programs,
# at 1280x544, 1920x817 and 1920x1200, one program after the other in one
# run (the machine's load changes from run to run; compare within a table).
#   bench/compare-views.sh [--seconds S] [--build DIR]
# The views are drawn by quorvish-bench-views (off screen, a full page):
# the perspective view with its page standing still (shown from its image)
# and taking a new line every frame ("scrolling"), the rain wide and tall.
# The references run with -root --delay 0 on an Xvfb screen of the size:
# starwars (tilted text; it reads a page of text through --program) beside
# the perspective view, glmatrix beside the rain. Their frames are counted
# at the buffer swap by libquorvish-swap-counter.so (LD_PRELOAD); the first
# two seconds are left out and the median of the per-second rates is
# shown. Unlike the off-screen views, they copy each frame to the X server.
# Install them with: scripts/setup.sh bench
set -euo pipefail

seconds=5
build=build
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: bench/compare-views.sh [--seconds S] [--build DIR]" >&2; exit 64 ;;
  esac
done
case $seconds in ''|*[!0-9]*|0) echo "compare-views: --seconds takes a whole number above 0" >&2; exit 64 ;; esac

bench=$build/bench/quorvish-bench-views
counter=$(realpath -e "$build/bench/libquorvish-swap-counter.so" 2>/dev/null || true)
hacks=/usr/libexec/xscreensaver
warmup=2
if [ ! -x "$bench" ] || [ -z "$counter" ]; then
  echo "compare-views: build quorvish-bench-views and quorvish-swap-counter in $build first" >&2
  exit 1
fi
for tool in "$hacks/starwars" "$hacks/glmatrix" "$(command -v Xvfb || true)"; do
  if [ ! -x "$tool" ]; then
    echo "compare-views: ${tool:-Xvfb} is missing; install it with scripts/setup.sh bench" >&2
    exit 1
  fi
done

work=$(mktemp -d)
xvfb_pid=
hack_pid=
stop() {   # stop PID: ends one process of ours and reaps it
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  [ -z "$hack_pid" ] || stop "$hack_pid"
  [ -z "$xvfb_pid" ] || stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The page starwars reads: 26 lines of 80 columns, like the bench's page.
awk 'BEGIN { split("telnet relay uptime load: 0.08, users /home -rw-r--r-- quorvish 4096", w, " ");
             n = 7; for (r = 0; r < 26; r++) { line = "";
               while (length(line) < 80) { n = (n * 1103515245 + 12345) % 4294967296; line = line w[int(n / 65536) % 10 + 1] " " }
               print substr(line, 1, 80) } }' > "$work/page.txt"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done

start_screen() {   # start_screen WxH
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp > "$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && return 0
    sleep 0.1
  done
  echo "compare-views: Xvfb did not start ($(cat "$work/xvfb.log"))" >&2
  exit 1
}

view_fps() {   # view_fps VIEW WxH
  { "$bench" --only "$1" --size "$2" --seconds "$seconds" 2> "$work/bench.log" || true; } |
    awk -v key="$1_fps" '$1 == key { print $2 }'
}

# The median of the per-second rates in the swap log between two times
# (seconds since the first swap); marked * when they spread over more than
# a factor of two.
median_rate() {   # median_rate LOG FROM TO
  awk -v from="$2" -v to="$3" '$1 > from && $1 <= to && $3 > 0 { rate[n++] = $2 / $3 }
    END { if (n == 0) { printf "n/a"; exit }
          for (i = 1; i < n; i++) for (j = i; j > 0 && rate[j - 1] > rate[j]; j--) {
            t = rate[j]; rate[j] = rate[j - 1]; rate[j - 1] = t }
          m = n % 2 ? rate[(n - 1) / 2] : (rate[n / 2 - 1] + rate[n / 2]) / 2
          printf "%s%.1f", (rate[n - 1] > 2 * rate[0] ? "*" : ""), m }' "$1" 2>/dev/null || printf "n/a"
}

# A reference's frame rate twice: as it starts, and after something has
# read a pixel of the screen. Until then this X server makes each frame the
# references show several times dearer (its own copying goes up, their rate
# down); one read, any read, ends that for good. Prints "AS_STARTED AFTER_READ".
reference_fps() {   # reference_fps PROGRAM [ARGUMENT...]
  local log=$work/$1.swaps
  rm -f "$log"
  DISPLAY=":$display" QUORVISH_SWAP_LOG=$log LD_PRELOAD=$counter \
    "$hacks/$1" -root --delay 0 "${@:2}" > "$work/$1.log" 2>&1 &
  hack_pid=$!
  sleep $((warmup + seconds))
  DISPLAY=":$display" /usr/bin/python3 -c 'from Xlib import X, display
display.Display().screen().root.get_image(0, 0, 1, 1, X.ZPixmap, 0xffffffff)'
  sleep $((1 + seconds))
  stop "$hack_pid"
  hack_pid=
  printf "%s %s" "$(median_rate "$log" $warmup $((warmup + seconds)))" \
    "$(median_rate "$log" $((warmup + seconds + 1)) $((warmup + 2 * seconds + 1)))"
}

ratio() {
  awk -v a="$1" -v b="${2#\*}" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "n/a" }'
}

row() { printf "%-9s | %11s | %9s | %13s | %11s | %6s | %13s | %11s | %9s\n" "$@"; }
row size perspective scrolling starwars ratio rain glmatrix ratio "tall rain"
row --------- ----------- --------- ------------- ----------- ------ ------------- ----------- ---------
for size in 1280x544 1920x817 1920x1200; do
  start_screen "$size"
  perspective=$(view_fps perspective "$size")
  scrolling=$(view_fps scrolling "$size")
  read -r starwars starwarsRead <<<"$(reference_fps starwars --program "cat $work/page.txt")"
  rain=$(view_fps rain "$size")
  read -r glmatrix glmatrixRead <<<"$(reference_fps glmatrix)"
  tall=$(view_fps tall "$size")
  stop "$xvfb_pid"
  xvfb_pid=
  row "$size" "${perspective:-n/a}" "${scrolling:-n/a}" "$starwars / $starwarsRead" \
      "$(ratio "$perspective" "$starwars") / $(ratio "$perspective" "$starwarsRead")" "${rain:-n/a}" \
      "$glmatrix / $glmatrixRead" "$(ratio "$rain" "$glmatrix") / $(ratio "$rain" "$glmatrixRead")" "${tall:-n/a}"
done
echo "frames per second; perspective: the page standing still, scrolling: a new line every frame;"
echo "references: median of their per-second rates as started / after a read of the screen"
echo "(* spread over more than twice); ratio = still page or rain / reference, both ways;"
echo "$seconds s each, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
