#!/usr/bin/env python3
"""The tests' HTTP server on 127.0.0.1, on Python's http.server.

    loopback_http_server.py ANSWERS LOG

Prints its port. Answers by path come from the JSON file ANSWERS, read at
every request: {path: {status, body, repeatTo, location, stall}}, 404 for
others. Every request is noted in LOG, one JSON line when it arrives and one
when the server is through with it (whether the client left first).
"""
import http.server, json, socket, sys, threading

answers_file, log_file = sys.argv[1:3]
lock = threading.Lock()


def note(record):
    with lock, open(log_file, "a") as log:
        log.write(json.dumps(record) + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        number = id(self)
        note({"id": number, "line": self.requestline, "target": self.path,
              "head": self.requestline + "\r\n" + str(self.headers).replace("\n", "\r\n")})
        try:
            with open(answers_file) as f:
                answers = json.load(f)
        except FileNotFoundError:
            answers = {}
        answer = answers.get(self.path.split("?")[0], {"status": 404, "body": "not here"})
        left = False
        try:
            if answer.get("stall"):
                self.connection.settimeout(60)
                left = self.connection.recv(1) == b""
            else:
                body = answer.get("body", "").encode("latin-1")
                self.send_response(answer.get("status", 200))
                self.send_header("Connection", "close")
                if answer.get("location"):
                    self.send_header("Location", answer["location"])
                total = max(answer.get("repeatTo", 0), len(body))
                if not answer.get("repeatTo"):
                    self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                sent = 0
                while sent < total and body:
                    piece = body[:total - sent]
                    self.wfile.write(piece)
                    sent += len(piece)
        except OSError:
            left = True
        self.close_connection = True
        note({"id": number, "clientLeft": left, "done": True})

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.socket.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 16 * 1024)
print(server.server_address[1], flush=True)
server.serve_forever()
