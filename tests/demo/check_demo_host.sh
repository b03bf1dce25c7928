#!/usr/bin/env bash
# The demo host of demo/ through the client's own terminal core: every menu
# choice (the clock first: its prompt is the only one without a text of its
# own), then "q", after which the host closes the connection.
#   check_demo_host.sh DEMO_DIR QUORVISH_HEADLESS
set -euo pipefail
demo=$1 headless=$2
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pid=$("$demo/start-demo-host.sh" "$port")
trap 'kill "$pid" 2>/dev/null || true' EXIT
out=$("$headless" --connect 127.0.0.1 "$port" --seconds 90 \
  --wait "Your choice, then Enter:" --type 'hellx\x08o\r' --wait "You typed: hello" --type '\r' \
  --wait "Your choice" --type '2\r' --wait "seconds to go" --wait "#####" --wait "Done." \
  --wait "Press Enter for the menu." --type '\r' \
  --wait "Your choice" --type '1\r' --wait "End of the listing. Press Enter for the menu." --type '\r' \
  --wait "Your choice" --type '3\r' --wait "126  ~" --wait "code and glyph. Press Enter for the menu." \
  --type '\r' --wait "Your choice" --type 'q\r' --wait "Goodbye." 2>&1) || { echo "$out"; exit 1; }
# What the terminal shows at the end: the listing's last line went by
# without garbling, and the host closed the connection.
for want in "Goodbye." "Disconnected!"; do
  grep -qF "$want" <<<"$out" || { echo "$out"; echo "FAIL: no \"$want\""; exit 1; }
done
echo "demo host: every choice answered, then the host closed the connection"
