#!/bin/bash
#   wine-run.sh --arch win32|win64 [--prefix DIR] [--fresh] [--boot-only] [--timeout S] [--] PROGRAM [ARGS...]
# runs PROGRAM under Wine in a private prefix (./wine-prefix-ARCH unless
# given; booted on first use, or anew with --fresh) and returns its exit
# code, or, with the reason on stderr: 124 it ran past the timeout (300 s),
# 125 this Wine cannot start or boot the prefix, 126 no such program. Runs
# of a prefix take turns on a lock beside it; each stops what it starts by id.
set -u
arch= prefix= timeout=300 fresh=0 boot_only=0
while [ $# -gt 0 ]; do
    case $1 in
        --arch|--prefix|--timeout) declare "${1#--}=$2"; shift 2 ;;
        --fresh) fresh=1; shift ;;
        --boot-only) boot_only=1; shift ;;
        --) shift; break ;;
        -*) echo "wine-run: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
case $arch in   # Debian's Wine: a loader and a server per width
    win32) loader=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32 ;;
    win64) loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64 ;;
    *) echo "wine-run: --arch takes win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
[ $boot_only = 1 ] || [ -f "${1:-}" ] ||
    { echo "wine-run: no program '${1:-}': the $arch Windows build has not made it" >&2; exit 126; }
if [ ! -x "$server" ] || ! version=$("$loader" --version 2>&1); then
    echo "wine-run: $arch Wine cannot start here: ${version:-no $server} (scripts/setup.sh test)" >&2
    exit 125
fi
prefix=$(realpath -m "${prefix:-wine-prefix-$arch}")
export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader WINESERVER=$server
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

server_pid= program_pid=
stop_all() {
    [ -n "$program_pid" ] && kill -TERM "$program_pid" 2>/dev/null && wait "$program_pid"
    # While the server runs, -k ends the prefix's Wine processes, and then the server.
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        timeout 10 "$server" -k 9>&- 2>/dev/null
        timeout 10 tail --pid="$server_pid" -f /dev/null
        kill -KILL "$server_pid" 2>/dev/null
    fi
    program_pid= server_pid=
}
trap stop_all EXIT
trap 'exit 143' TERM INT

start_server() {   # known by its id; ready once it holds the prefix's lock
    "$server" -f 9>&- &
    server_pid=$!
    for _ in $(seq 200); do
        ls -l "/proc/$server_pid/fd" 2>/dev/null | grep -q '/lock$' && return 0
        sleep 0.05
    done
    return 1
}

# Booted without a display (faster); Wine draws the frames of its windows.
boot_prefix() {
    rm -rf "$prefix" && mkdir -p "$prefix/drive_c/windows/Fonts" && start_server &&
        env -u DISPLAY timeout 300 "$loader" wineboot -u 9>&- &&
        env -u DISPLAY timeout 60 "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f 9>&- &&
        ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" &&
        timeout 120 "$server" -w 9>&- && stop_all && touch "$prefix/.quorvish-ready"
}

exec 9>"$prefix.lock"
flock 9
if [ $fresh = 1 ] || [ ! -f "$prefix/.quorvish-ready" ]; then
    boot_prefix >"$prefix.boot.log" 2>&1 ||
        { cat "$prefix.boot.log"; echo "wine-run: $arch Wine cannot boot the prefix $prefix"; exit 125; } >&2
fi
[ $boot_only = 1 ] && exit 0

start_server || { echo "wine-run: the $arch wineserver did not start" >&2; exit 125; }
timeout -k 10 "$timeout" "$loader" "$@" 9>&- &
program_pid=$!
wait $program_pid
rc=$? program_pid=
[ $rc = 124 ] && echo "wine-run: $1 did not end within $timeout s" >&2
timeout 120 "$server" -w 9>&-
exit $rc
