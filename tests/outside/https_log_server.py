#!/usr/bin/env python3
"""A small HTTPS endpoint for the libsetupnet tests, on 127.0.0.1 only.

Usage: https_log_server.py CERT KEY PASSPHRASE

Prints its port on the first line of its output, then serves until its standard input
closes (or 60 seconds pass). Every request is counted. Replies by path:
  /installer/log  200, a JSON report of the request: count, method, path, content type,
                  Expect header, the body, and the body deciphered (hex, RC4 under PASSPHRASE)
  /redirect       302 to /installer/log, with a JSON report as its body
  /large          200, 100 KiB of "A"
  /mixed          200, UTF-8 text, then an invalid byte, then more text
"""
import json
import ssl
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LIFETIME_SECONDS = 60
MAX_BODY_BYTES = 1 << 20


def rc4(key, data):
    box = list(range(256))
    j = 0
    for i in range(256):
        j = (j + box[i] + key[i % len(key)]) % 256
        box[i], box[j] = box[j], box[i]
    i = j = 0
    out = bytearray()
    for byte in data:
        i = (i + 1) % 256
        j = (j + box[i]) % 256
        box[i], box[j] = box[j], box[i]
        out.append(byte ^ box[(box[i] + box[j]) % 256])
    return bytes(out)


def decipher(body, passphrase):
    try:
        return rc4(passphrase.encode(), bytes.fromhex(body.decode("ascii"))).decode("utf-8")
    except (ValueError, UnicodeDecodeError):
        return None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        self.request.settimeout(5)
        self.request = self.server.tls.wrap_socket(self.request, server_side=True)
        super().setup()

    def log_message(self, *args):
        pass

    def report(self, body):
        return {
            "count": self.server.count_request(),
            "method": self.command,
            "path": self.path,
            "contentType": self.headers.get("Content-Type"),
            "expect": self.headers.get("Expect"),
            "body": body.decode("utf-8", "replace"),
            "plain": decipher(body, self.server.passphrase),
            "sessionReused": self.request.session_reused,
        }

    def reply(self, status, payload, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def do_POST(self):
        length = min(int(self.headers.get("Content-Length", "0")), MAX_BODY_BYTES)
        body = self.rfile.read(length)
        report = json.dumps(self.report(body)).encode()
        if self.path == "/installer/log":
            self.reply(200, report)
        elif self.path == "/redirect":
            self.reply(302, report, [("Location", "/installer/log")])
        elif self.path == "/large":
            self.reply(200, b"A" * (100 * 1024))
        elif self.path == "/mixed":
            self.reply(200, "h\u00e9llo \u2713".encode() + b"\xff" + b"rest")
        else:
            self.reply(404, report)


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, tls, passphrase):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls = tls
        self.passphrase = passphrase
        self.count = 0
        self.lock = threading.Lock()

    def count_request(self):
        with self.lock:
            self.count += 1
            return self.count

    def handle_error(self, request, client_address):
        pass  # failed handshakes are part of the tests


def main():
    cert, key, passphrase = sys.argv[1:4]
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(cert, key)
    server = Server(tls, passphrase)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    done = threading.Event()
    threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
    done.wait(LIFETIME_SECONDS)
    server.shutdown()


if __name__ == "__main__":
    main()
