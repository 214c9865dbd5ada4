#!/usr/bin/env python3
"""The online service for the tests: account check, processing request and a few answers made to
measure. Prints its port on the first line, then serves until it is killed.

  http_test_server.py [--account EMAIL PASSWORD ID]... [--tls CERTIFICATE KEY]

With --tls it serves HTTPS with that certificate chain and key (PEM files).

GET /id/<e-mail>/<password>  the account's ID, or "Not Found" with status 404
GET /process/<id>            "Processing <id>"
GET /bytes/<n>               n bytes: 0, 1, ..., 255, 0, 1, ...
GET /status/<code>           status <code> with the body "Status <code>"
GET /truncated/<n>/...       announces n bytes, sends half of them and closes
GET /stall/<n>/...           announces 2n bytes, sends n of them and then nothing more
GET /endless                 bytes without end and without a length
GET /lines/<n>/...           n numbered lines, whatever follows
GET /log                     the requests seen before, as JSON: [{"path": ..., "headers": {...}}]
"""
import json
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote

accounts = {}
log = []
log_lock = threading.Lock()


class Server(ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # a client that refused the certificate, or went away


class Handler(BaseHTTPRequestHandler):
    def log_message(self, format, *args):
        pass

    def setup(self):
        if isinstance(self.request, ssl.SSLSocket):
            self.request.do_handshake()
        super().setup()

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path
        if path == "/log":
            with log_lock:
                body = json.dumps(log).encode()
            return self.answer(200, body)
        with log_lock:
            log.append({"path": path, "headers": dict(self.headers.items())})
        parts = path.split("/")
        if len(parts) == 4 and parts[1] == "id":
            found = accounts.get((unquote(parts[2]), unquote(parts[3])))
            return self.answer(200, found.encode()) if found else self.answer(404, b"Not Found")
        if len(parts) == 3 and parts[1] == "process":
            return self.answer(200, ("Processing " + unquote(parts[2])).encode())
        if len(parts) == 3 and parts[1] == "bytes":
            return self.answer(200, bytes(i % 256 for i in range(int(parts[2]))))
        if len(parts) == 3 and parts[1] == "status":
            return self.answer(int(parts[2]), ("Status " + parts[2]).encode())
        if len(parts) >= 3 and parts[1] in ("truncated", "stall"):
            n = int(parts[2])
            self.send_response(200)
            self.send_header("Content-Length", str(n if parts[1] == "truncated" else 2 * n))
            self.end_headers()
            self.wfile.write(b"x" * (n // 2 if parts[1] == "truncated" else n))
            self.wfile.flush()
            if parts[1] == "stall":
                time.sleep(3600)
            self.close_connection = True
            return
        if len(parts) == 2 and parts[1] == "endless":
            self.send_response(200)
            self.end_headers()
            self.close_connection = True
            try:
                while True:
                    self.wfile.write(b"y" * 65536)
            except OSError:
                return
        if len(parts) >= 3 and parts[1] == "lines":
            lines = "".join("line %d\n" % i for i in range(int(parts[2])))
            return self.answer(200, lines.encode())
        return self.answer(404, b"Not Found")


def main():
    args = sys.argv[1:]
    tls = None
    while args:
        if args[0] == "--account" and len(args) >= 4:
            accounts[(args[1], args[2])] = args[3]
            args = args[4:]
        elif args[0] == "--tls" and len(args) >= 3:
            tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            tls.load_cert_chain(args[1], args[2])
            args = args[3:]
        else:
            sys.exit("unknown argument: " + args[0])
    server = Server(("127.0.0.1", 0), Handler)
    if tls:
        # The handshake is made on the request's thread, so that a client that gives up holds
        # no one else up.
        server.socket = tls.wrap_socket(server.socket, server_side=True,
                                        do_handshake_on_connect=False)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
