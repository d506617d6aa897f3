#!/usr/bin/python3
"""A slow uplink on loopback: relays every connection to 127.0.0.1:TARGET,
pacing what the client sends to RATE bits per second (the replies go back
unpaced), as a school's or a home's uplink would.

    shaped_relay.py TARGET_PORT RATE_BITS_PER_SECOND

Prints "PORT <port>" once listening; ends at end of input. The relay reads
from the client only as fast as the link goes, with a small receive buffer,
so the client's own socket buffer is all that the kernel takes ahead.
"""
import socket
import sys
import threading
import time

BLOCK = 1024


def paced(source, sink, rate):
    bytes_per_second = rate / 8.0
    started = time.monotonic()
    sent = 0
    try:
        while True:
            data = source.recv(BLOCK)
            if not data:
                break
            sent += len(data)
            wait = started + sent / bytes_per_second - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            sink.sendall(data)
    except OSError:
        pass
    finally:
        for end, how in ((sink, socket.SHUT_WR), (source, socket.SHUT_RD)):
            try:
                end.shutdown(how)
            except OSError:
                pass


def straight(source, sink):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    finally:
        try:
            sink.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def serve(listener, target, rate):
    while True:
        client, _ = listener.accept()
        server = socket.create_connection(("127.0.0.1", target))
        threading.Thread(target=paced, args=(client, server, rate), daemon=True).start()
        threading.Thread(target=straight, args=(server, client), daemon=True).start()


def main():
    target, rate = int(sys.argv[1]), float(sys.argv[2])
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)  # inherited by each connection
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    threading.Thread(target=serve, args=(listener, target, rate), daemon=True).start()
    print("PORT", listener.getsockname()[1], flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
