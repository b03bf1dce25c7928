#!/usr/bin/env bash
# Sets up, builds and starts QuorvishTelnet against a demo telnet host on
# this machine (busybox telnetd on 127.0.0.1, serving demo/demo-session).
# The host is stopped when the program ends.
#
#   scripts/run-demo.sh              the 3D program (needs a display)
#   scripts/run-demo.sh --headless   the command-line tool: connects, picks
#                                    the scrolling listing, prints the screen
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh run
scripts/configure.sh linux build -DQUORVISH_TESTS=OFF
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target quorvish-telnet quorvish-headless

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pid=$(demo/start-demo-host.sh "$port")
trap 'kill "$pid" 2>/dev/null || true' EXIT

if [ "${1:-}" = --headless ]; then
  build/app/headless/quorvish-headless --connect 127.0.0.1 "$port" \
    --wait "Your choice" --type '1\r' --wait "Line 60 of 60" --seconds 20
  exit
fi

cat <<MSG

  Demo host running on 127.0.0.1 port $port.

  In the start menu click "HOST ADDRESS:", type   127.0.0.1   as the host
  and   $port   as the port, press OK, then click "CONNECT!".
  Hold End to speed up the scroll, Home to slow it down.

MSG
build/app/quorvish-telnet || true
