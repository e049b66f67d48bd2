#!/usr/bin/env python3
"""A static HTTPS server for the update tests: serves ROOT with byte ranges, logs each request
as "<path> <range or ->" to LOG, and cuts a transfer short when told to.

Usage: update_server.py ROOT CERT KEY LOG CUTS
Prints the port it listens on (127.0.0.1) as one line, then serves until killed. CUTS is a file
of lines "<path> <bytes>": the next request of <path> gets its full length announced but only
<bytes> of the body before the connection closes; the line is then used up.
"""
import http.server
import urllib.parse
import os
import ssl
import sys
import threading

root, cert, key, log_path, cuts_path = sys.argv[1:6]
lock = threading.Lock()


def take_cut(path):
    with lock:
        try:
            with open(cuts_path) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return None
        for i, line in enumerate(lines):
            name, _, count = line.rpartition(" ")
            if name == path:
                del lines[i]
                with open(cuts_path, "w") as f:
                    f.write("".join(l + "\n" for l in lines))
                return int(count)
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path
        with lock, open(log_path, "a") as f:
            f.write("%s %s\n" % (path, self.headers.get("Range", "-")))
        local = os.path.realpath(os.path.join(root, urllib.parse.unquote(path).lstrip("/")))
        if not local.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(local):
            self.send_error(404)
            return
        with open(local, "rb") as f:
            body = f.read()
        start = 0
        wanted = self.headers.get("Range")
        if wanted and wanted.startswith("bytes=") and wanted.endswith("-"):
            start = int(wanted[6:-1])
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(body) - 1, len(body)))
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(len(body) - start))
        self.end_headers()
        cut = take_cut(path)
        if cut is None:
            self.wfile.write(body[start:])
            return
        self.wfile.write(body[start:start + cut])
        self.wfile.flush()
        self.close_connection = True
        self.connection.shutdown(2)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
