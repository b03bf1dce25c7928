#!/bin/bash
# Starts the demo telnet host: busybox telnetd on 127.0.0.1:PORT, running
# demo-session (next to this script) for every connection.
#
#   demo/start-demo-host.sh PORT [PIDFILE]    in the background; prints the
#                                             server's process id (and writes
#                                             it to PIDFILE), once it listens
#   demo/start-demo-host.sh --foreground PORT in the foreground, until Ctrl+C
#
# Stop a background host with:  kill PID
# busybox telnetd comes with Debian's busybox-static package.

set -u

usage() {
    echo "usage: $0 [--foreground] PORT [PIDFILE]" >&2
    exit 2
}

foreground=0
if [[ ${1:-} == --foreground ]]; then
    foreground=1
    shift
fi
port=${1:-}
pidfile=${2:-}
if [[ ! $port =~ ^[0-9]+$ ]] || ((port < 1 || port > 65535)); then
    usage
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
session=$here/demo-session
if [[ ! -x $session ]]; then
    echo "$0: $session is missing or not executable" >&2
    exit 1
fi
if ! busybox telnetd --help >/dev/null 2>&1; then
    echo "$0: this busybox has no telnetd (install busybox-static)" >&2
    exit 1
fi

# -F: stay in the foreground (so the process id is the server's own);
# -f /dev/null: no /etc/issue banner before the session. Without -K the
# connection closes once the session's last output has been passed on.
args=(telnetd -F -f /dev/null -b "127.0.0.1:$port" -l "$session")

if ((foreground)); then
    echo "Demo host on 127.0.0.1:$port (Ctrl+C stops it)" >&2
    exec busybox "${args[@]}"
fi

busybox "${args[@]}" </dev/null >/dev/null 2>&1 &
pid=$!

# Wait (up to 10 s) until the port is listening, without connecting to it:
# look for the socket in /proc/net/tcp (local address 127.0.0.1, state 0A).
want=$(printf '0100007F:%04X' "$port")
for ((tries = 0; tries < 100; tries++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "$0: busybox telnetd did not start (is port $port in use?)" >&2
        exit 1
    fi
    if awk -v want="$want" '$2 == want && $4 == "0A" { found = 1 } END { exit !found }' \
        /proc/net/tcp; then
        [[ -n $pidfile ]] && echo "$pid" >"$pidfile"
        echo "$pid"
        exit 0
    fi
    sleep 0.1
done
kill "$pid" 2>/dev/null
echo "$0: busybox telnetd is not listening on 127.0.0.1:$port" >&2
exit 1
