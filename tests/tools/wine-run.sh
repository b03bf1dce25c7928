#!/bin/bash
# Runs one Windows program under Wine in a private prefix and returns the
# program's exit code.
#
#   wine-run.sh [--arch win32|win64] [--prefix DIR] [--fresh] [--boot-only]
#               [--kill] [--timeout S] [--] PROGRAM [ARGS...]
#
#   --arch A      which Wine: win32 runs 32-bit programs with Wine's 32-bit
#                 loader and server, win64 runs 64-bit programs with the
#                 64-bit ones (default: $QUORVISH_WINE_ARCH, else win32).
#                 Each width has a prefix of its own.
#   --prefix DIR  the Wine prefix (default: $QUORVISH_WINEPREFIX, else
#                 ./wine-prefix-ARCH). It is booted on first use and reused.
#   --fresh       throw the prefix away and boot a new one first.
#   --boot-only   only make sure the prefix is booted; PROGRAM is not needed.
#   --kill        end every Wine process of the prefix and exit.
#   --timeout S   kill the program after S seconds (default 300); exit 124.
#
# DISPLAY is passed on when set (window tests under Xvfb); without it the
# program runs with no X display, which is enough for console programs and
# sockets. Exit codes besides the program's own: 124 on timeout, 125 when
# this Wine cannot start or the prefix cannot be booted, 126 when PROGRAM
# does not exist. Each says why on stderr.
#
# One run at a time per prefix: runs wait for each other on a lock file next
# to the prefix. Each run starts its own wineserver, waits for it to finish
# with `wineserver -w` and kills it by its process id if it is still there.
set -u

arch=${QUORVISH_WINE_ARCH:-win32}
prefix=${QUORVISH_WINEPREFIX:-}
fresh=0
boot_only=0
kill_only=0
run_timeout=300
while [ $# -gt 0 ]; do
    case $1 in
        --arch) arch=$2; shift 2 ;;
        --prefix) prefix=$2; shift 2 ;;
        --fresh) fresh=1; shift ;;
        --boot-only) boot_only=1; shift ;;
        --kill) kill_only=1; shift ;;
        --timeout) run_timeout=$2; shift 2 ;;
        --) shift; break ;;
        -*) echo "wine-run: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
# Debian's Wine: one loader and one server per width.
case $arch in
    win32) loader=/usr/lib/wine/wine; server=/usr/lib/wine/wineserver32 ;;
    win64) loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64 ;;
    *) echo "wine-run: --arch takes win32 or win64, not $arch" >&2; exit 2 ;;
esac
[ -n "$prefix" ] || prefix=$PWD/wine-prefix-$arch
if [ $boot_only -eq 0 ] && [ $kill_only -eq 0 ]; then
    if [ $# -lt 1 ]; then
        echo "usage: wine-run.sh [--arch win32|win64] [--prefix DIR] [--fresh] [--boot-only] [--kill] [--timeout S] [--] PROGRAM [ARGS...]" >&2
        exit 2
    fi
    if [ ! -f "$1" ]; then
        echo "wine-run: $1 not found: the $arch Windows build has not made it" >&2
        exit 126
    fi
fi
for tool in "$loader" "$server"; do
    if [ ! -x "$tool" ]; then
        echo "wine-run: $tool is missing: $arch Wine is not installed (scripts/setup.sh test)" >&2
        exit 125
    fi
done
for tool in flock timeout; do
    if ! command -v $tool >/dev/null; then
        echo "wine-run: $tool is not installed" >&2
        exit 125
    fi
done

mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader WINESERVER=$server
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ $kill_only -eq 1 ]; then
    [ -d "$prefix" ] && timeout 30 "$server" -k 2>/dev/null
    exit 0
fi

server_pid=
program_pid=

stop_all() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        kill -TERM "$program_pid" 2>/dev/null
        wait "$program_pid" 2>/dev/null
    fi
    program_pid=
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        # SIGTERM makes the server save the registry and end; the Wine
        # processes of this prefix end with it.
        kill -TERM "$server_pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
        # A Wine process that outlived its server (explorer.exe does) would
        # keep the prefix busy for every later run.
        timeout 10 "$server" -k 9>&- 2>/dev/null
    fi
    server_pid=
}
trap 'stop_all' EXIT
trap 'stop_all; exit 143' TERM
trap 'stop_all; exit 130' INT

# Starts this run's own wineserver in the foreground of a background job, so
# that its process id is known, and waits until it holds the prefix's lock.
start_server() {
    # Wine's processes must not inherit the prefix lock (fd 9).
    "$server" -f 9>&- &
    server_pid=$!
    local i fd
    for i in $(seq 100); do
        for fd in /proc/$server_pid/fd/*; do
            case $(readlink "$fd" 2>/dev/null) in
                */lock) return 0 ;;
            esac
        done
        kill -0 "$server_pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 0
}

# Waits for this run's wineserver to end by itself, then makes sure.
finish_server() {
    timeout 120 "$server" -w 9>&-
    stop_all
}

boot_prefix() {
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # Booting without a display is faster; the server is gone before any
    # program runs, so a later run with DISPLAY still gets OpenGL.
    local display=${DISPLAY:-}
    unset DISPLAY
    local ok=0
    if start_server &&
        timeout 300 "$loader" wineboot -u 9>&- &&
        timeout 60 "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f 9>&- >/dev/null; then
        mkdir -p "$prefix/drive_c/windows/Fonts"
        if [ -d /usr/share/wine/fonts ]; then
            ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"
        fi
        ok=1
    fi
    finish_server
    [ -n "$display" ] && export DISPLAY=$display
    [ $ok -eq 1 ] || return 1
    touch "$prefix/.quorvish-ready"
}

# A Wine that cannot start says so here, before anything waits on it.
if ! version=$("$loader" --version 2>&1); then
    echo "wine-run: $arch Wine cannot start on this machine: $version" >&2
    exit 125
fi

exec 9>"$prefix.lock"
flock 9

if [ $fresh -eq 1 ] || [ ! -f "$prefix/.quorvish-ready" ]; then
    boot_started=$(date +%s%N)
    # Wine's start-up chatter goes to a log, shown only when booting fails.
    if ! boot_prefix >"$prefix.boot.log" 2>&1; then
        cat "$prefix.boot.log" >&2
        echo "wine-run: could not boot the prefix $prefix" >&2
        exit 125
    fi
    echo "wine-run: booted $prefix in $(( ($(date +%s%N) - boot_started) / 1000000 )) ms" >&2
fi
[ $boot_only -eq 1 ] && exit 0

if [ -z "${DISPLAY:-}" ]; then
    unset DISPLAY
fi
start_server || { echo "wine-run: wineserver did not start" >&2; exit 125; }
timeout -k 10 "$run_timeout" "$loader" "$@" 9>&- &
program_pid=$!
wait $program_pid
rc=$?
program_pid=
if [ $rc -eq 124 ]; then
    echo "wine-run: $1 did not end within $run_timeout s" >&2
fi
finish_server
exit $rc
