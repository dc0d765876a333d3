#!/usr/bin/env python3
# The tests' HTTP server on 127.0.0.1, on Python's http.server.
#
#     loopback_http_server.py LOG [CERTIFICATE KEY]
#
# Prints its port. What it answers is in the path, whatever follows:
#   /CODE/TEXT/...   status CODE with the body TEXT (percent-decoded)
#   /to/LOCATION     302 to LOCATION (percent-decoded)
#   /redirect/N      301 to redirect/N+1, without end
#   /stream/N        N bytes without a length: the answer ends with the connection
#   /stall           no answer: holds on until the client leaves
# LOG always holds the requests so far as one JSON list of {target,
# clientLeft, sent}, clientLeft once the client closed the connection before
# the server was through, sent the bytes of a stream handed to the network. With a certificate and its key it speaks https.
import http.server, json, os, socket, ssl, sys, threading, urllib.parse

log_file = sys.argv[1]
requests, lock = [], threading.Lock()


def note(request=None):
    with lock:
        if request:
            requests.append(request)
        with open(log_file + ".new", "w") as log:
            json.dump(requests, log)
        os.replace(log_file + ".new", log_file)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        request = {"target": self.path, "clientLeft": False}
        note(request)
        kind, argument = (self.path.split("?")[0].split("/") + ["", ""])[1:3]
        argument = urllib.parse.unquote(argument)
        try:
            if kind == "stall":
                self.connection.settimeout(60)
                request["clientLeft"] = self.connection.recv(1) == b""
            elif kind == "stream":
                self.answer(200, length=False)
                request["sent"] = 0
                chunk = b"a" * 65536
                while request["sent"] < int(argument):
                    self.wfile.write(chunk[: int(argument) - request["sent"]])
                    request["sent"] += min(len(chunk), int(argument) - request["sent"])
            elif kind == "to":
                self.answer(302, location=argument)
            elif kind == "redirect":
                self.answer(301, location=str(int(argument) + 1))
            else:
                self.answer(int(kind), argument.encode("latin-1"))
        except OSError:
            request["clientLeft"] = True
        self.close_connection = True
        note()

    def answer(self, status, body=b"", location=None, length=True):
        self.send_response(status)
        self.send_header("Connection", "close")
        if location:
            self.send_header("Location", location)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.socket.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 16 * 1024)
if len(sys.argv) > 3 and sys.argv[2]:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
