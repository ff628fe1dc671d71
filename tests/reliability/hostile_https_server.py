#!/usr/bin/env python3
"""Misbehaving HTTPS endpoints for the feedback-delivery fault tests, on loopback only.

Usage: hostile_https_server.py CERT KEY [NAME-]MODE=ADDRESS:PORT...

ADDRESS must be a 127.x.x.x address; PORT 0 picks a free port. For each endpoint one line
"MODE PORT" is printed (or "MODE error" when it cannot listen), then "ready". Afterwards
every accepted connection prints "connection MODE" and every request read prints
"request MODE METHOD PATH", before anything is answered. The server stops when its standard
input closes, or after 60 seconds. Modes:
  refuse    nothing listens there (the port is taken and given back at once)
  reset     the connection is reset as soon as it is accepted
  silent    accepted, never spoken to: no TLS handshake
  plain     answers in plain HTTP, without TLS
  stall     reads the request and never answers
  slow      answers one byte every 20 ms, never finishing within a few seconds
  huge      answers 200 with a 50 MiB body, as fast as the client takes it
  redirect  answers 302 to another path of the same server
  repost    answers 307 (which would repeat the POST) to another path
  garbage   answers bytes that are not HTTP, then closes
"""
import socket
import ssl
import struct
import sys
import threading
import time

LIFETIME_SECONDS = 60
SOCKET_TIMEOUT = 10
HUGE_BYTES = 50 * 1024 * 1024
SLOW_BYTES = 250
SLOW_DELAY = 0.02

out_lock = threading.Lock()


def say(line):
    with out_lock:
        print(line, flush=True)


def read_request(conn):
    """The request line's method and path, after the whole request (headers and body)."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None
        data += chunk
        if len(data) > 1 << 20:
            return None
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    length = 0
    for header in lines[1:]:
        name, _, value = header.partition(":")
        if name.strip().lower() == "content-length":
            length = min(int(value.strip() or "0"), 1 << 20)
    while len(body) < length:
        chunk = conn.recv(4096)
        if not chunk:
            break
        body += chunk
    parts = lines[0].split(" ")
    return (parts[0], parts[1]) if len(parts) >= 2 else ("?", "?")


def answer(mode, conn):
    if mode == "stall":
        time.sleep(LIFETIME_SECONDS)
    elif mode == "slow":
        reply = b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"A" * SLOW_BYTES
        for i in range(len(reply)):
            conn.sendall(reply[i:i + 1])
            time.sleep(SLOW_DELAY)
    elif mode == "huge":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % HUGE_BYTES)
        chunk = b"A" * 65536
        for _ in range(HUGE_BYTES // len(chunk)):
            conn.sendall(chunk)
    elif mode in ("redirect", "repost"):
        status = b"302 Found" if mode == "redirect" else b"307 Temporary Redirect"
        body = b"moved"
        conn.sendall(b"HTTP/1.1 " + status + b"\r\nLocation: /installer/log/again\r\n"
                     b"Content-Length: %d\r\n\r\n" % len(body) + body)
    elif mode == "garbage":
        conn.sendall(b"\x00\xff\x13 this is not HTTP \x07\r\n\r\n" * 8)


def serve(label, raw, tls):
    raw.settimeout(SOCKET_TIMEOUT)
    say("connection " + label)
    mode = behaviour(label)
    try:
        if mode == "reset":
            raw.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return
        if mode == "silent":
            time.sleep(LIFETIME_SECONDS)
            return
        if mode == "plain":
            raw.recv(4096)
            raw.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
            return
        conn = tls.wrap_socket(raw, server_side=True)
        request = read_request(conn)
        if request is None:
            return
        say("request %s %s %s" % (label, request[0], request[1]))
        answer(mode, conn)
    except (OSError, ValueError):
        pass  # the client going away mid-answer is part of the tests
    finally:
        raw.close()


def behaviour(label):
    """An endpoint is named by its mode, or by a word, a dash and its mode."""
    return label.rsplit("-", 1)[-1]


def listen(mode, address, port, tls):
    if not address.startswith("127."):
        say(mode + " error")
        return
    try:
        server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        server.bind((address, int(port)))
    except OSError:
        say(mode + " error")
        return
    say("%s %d" % (mode, server.getsockname()[1]))
    if behaviour(mode) == "refuse":
        server.close()
        return
    server.listen(8)

    def accept_loop():
        while True:
            try:
                raw, _ = server.accept()
            except OSError:
                return
            threading.Thread(target=serve, args=(mode, raw, tls), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()


def main():
    cert, key = sys.argv[1:3]
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(cert, key)
    for endpoint in sys.argv[3:]:
        mode, _, place = endpoint.partition("=")
        address, _, port = place.rpartition(":")
        listen(mode, address, port, tls)
    say("ready")
    done = threading.Event()
    threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
    done.wait(LIFETIME_SECONDS)


if __name__ == "__main__":
    main()
