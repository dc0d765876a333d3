#!/usr/bin/env python3
# The tests' HTTP server on 127.0.0.1, on Python's http.server.
#
#     loopback_http_server.py LOG [CERTIFICATE KEY]
#
# Prints its port, then reads answers from its input, one JSON line each:
# {path, status, body, repeatTo, location, stall}, and says "ok" for each.
# Other paths get 404. LOG always holds the requests so far as one JSON list
# of {target, clientLeft}, clientLeft once the client closed the connection
# before the server was through. With a certificate and its key it speaks
# https.
import http.server, json, os, socket, ssl, sys, threading

log_file = sys.argv[1]
answers, requests, lock = {}, [], threading.Lock()


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
        answer = answers.get(self.path.split("?")[0], {"status": 404, "body": "not here"})
        try:
            if answer.get("stall"):
                self.connection.settimeout(60)
                request["clientLeft"] = self.connection.recv(1) == b""
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
                while total > 0 and body:
                    piece = body[:total]
                    self.wfile.write(piece)
                    total -= len(piece)
        except OSError:
            request["clientLeft"] = True
        self.close_connection = True
        note()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.socket.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 16 * 1024)
if len(sys.argv) > 3 and sys.argv[2]:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
for line in sys.stdin:
    answer = json.loads(line)
    answers[answer["path"]] = answer
    print("ok", flush=True)
