#!/usr/bin/env python3
"""A raw TCP copy over loopback, the floor the recorder is measured against.

  raw_tcp_copy.py send FILE COUNT   listens on 127.0.0.1 (a free port), prints
                                    "listening on 127.0.0.1:PORT", accepts one
                                    connection and sends the first COUNT bytes
                                    of FILE with sendfile.
  raw_tcp_copy.py receive PORT OUT COUNT
                                    connects to 127.0.0.1:PORT and writes what
                                    arrives to OUT until the sender closes;
                                    exit status 1 unless exactly COUNT bytes came.

Every wait is bounded (30 s), so a lost peer never hangs the benchmark.
"""
import os
import socket
import sys

TIMEOUT = 30.0
CHUNK = 256 * 1024


def send(path, count):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        listener.settimeout(TIMEOUT)
        print("listening on 127.0.0.1:%d" % listener.getsockname()[1], flush=True)
        conn, _ = listener.accept()
        with conn, open(path, "rb") as f:
            conn.settimeout(TIMEOUT)
            sent = conn.sendfile(f, 0, count)
            conn.shutdown(socket.SHUT_WR)
    return 0 if sent == count else 1


def receive(port, out, count):
    buf = bytearray(CHUNK)
    view = memoryview(buf)
    got = 0
    with socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT) as conn:
        fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        try:
            while True:
                n = conn.recv_into(view)
                if n == 0:
                    break
                os.write(fd, view[:n])
                got += n
        finally:
            os.close(fd)
    if got != count:
        print("raw copy: received %d bytes, expected %d" % (got, count), file=sys.stderr)
        return 1
    return 0


def main(argv):
    if len(argv) == 4 and argv[1] == "send":
        return send(argv[2], int(argv[3]))
    if len(argv) == 5 and argv[1] == "receive":
        return receive(int(argv[2]), argv[3], int(argv[4]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
