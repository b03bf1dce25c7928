#!/usr/bin/env bash
# The demo host of demo/ through quorvish-headless: every menu choice (the
# clock first: its prompt alone has no text of its own), then "q"; the host
# then closes the connection, which ends the run before its last wait.
#   check_demo_host.sh DEMO_DIR QUORVISH_HEADLESS
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pid=$("$1/start-demo-host.sh" "$port") || exit 1
trap 'kill "$pid"' EXIT
c=(--wait "Your choice")
out=$("$2" --connect 127.0.0.1 "$port" --seconds 90 \
  "${c[@]}" --type 'hellx\x08o\r' --wait "You typed: hello" --type '\r' \
  "${c[@]}" --type '2\r' --wait "seconds to go" --wait "#####" --wait "Done." --wait "Press Enter" --type '\r' \
  "${c[@]}" --type '1\r' --wait "End of the listing. Press Enter for the menu." --type '\r' \
  "${c[@]}" --type '3\r' --wait "126  ~" --wait "code and glyph. Press Enter" --type '\r' \
  "${c[@]}" --type 'q\r' --wait "Goodbye." --wait "never shown" 2>&1)
for want in 'Goodbye.' 'Error: Disconnected!' 'waiting for "never shown"'; do
  grep -qF "$want" <<<"$out" || { echo "$out"; echo "FAIL: no \"$want\""; exit 1; }
done
