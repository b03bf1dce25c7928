"""Run inside a fresh network namespace (unshare --net): brings up its own
loopback with small TCP send buffers, serves a host that pauses and then
reads slowly, and types a long text at it through the headless client.
Exit 0 when every character arrived once and in order after sends came
back short; 1 otherwise, also when the namespace cannot be set up here."""
import socket
import subprocess
import sys
import threading
import time

HEADLESS = sys.argv[1]


def setup_namespace():
    try:
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        with open("/proc/sys/net/ipv4/tcp_wmem", "w") as f:
            f.write("4096 8192 8192")
    except (OSError, subprocess.CalledProcessError) as e:
        print("cannot set up the network namespace: %s" % e, file=sys.stderr)
        sys.exit(1)


def main():
    setup_namespace()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 2048)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    port = listener.getsockname()[1]
    received = bytearray()

    def serve():
        conn, _ = listener.accept()
        with conn:
            time.sleep(1.0)
            conn.settimeout(3.0)
            while True:
                try:
                    chunk = conn.recv(512)
                except socket.timeout:
                    break
                if not chunk:
                    break
                received.extend(chunk)
                time.sleep(0.005)

    server = threading.Thread(target=serve)
    server.start()
    pieces = ["%05d:" % i + "abcdefghijklmnopqrstuvwxyz" * 2 for i in range(600)]
    args = [HEADLESS, "--connect", "127.0.0.1", str(port)]
    for i in range(0, len(pieces), 100):
        args += ["--type", "".join(pieces[i:i + 100])]
    args += ["--seconds", "60"]
    p = subprocess.run(args, capture_output=True, text=True, timeout=120)
    server.join(90)
    listener.close()
    expected = "".join(pieces).encode()
    print(p.stderr.strip())
    if p.returncode != 0:
        print("client exit code %d" % p.returncode)
        return 1
    if received != expected:
        print("typed characters lost or reordered: %d of %d bytes arrived"
              % (len(received), len(expected)))
        return 1
    short = int(p.stderr.split(",")[1].split()[0])
    if short == 0:
        print("no send came back short; the case was not exercised")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
