#!/usr/bin/env python3
"""A local media server for the network tests.

Listens on 127.0.0.1 on a free port and prints "PORT <n>" once it is ready.
Serves the files under --root with HTTP/1.1 keep-alive and byte ranges. The
first part of a path chooses how the server misbehaves, the rest names the
file:

  /<file>             the file, with ranges
  /no-ranges/<file>   the whole file whatever the request asks, no ranges
  /stall/<file>       announces the whole file, sends half and then nothing
  /silent/<file>      reads the request and never answers
  /short/<file>       holds only the first three fifths of the file but announces
                      its whole length; sends what it has over 2 s and closes
  /redirect/<file>    302 to /<file>
  /damaged/<file>     its first two fifths, then garbage
  anything missing    404

Each request is logged as "<path> <range header or ->" to --log.
"""

import argparse
import http.server
import os
import re
import sys
import time

from local_http import serve


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the folder served")
    parser.add_argument("--log", help="where each request is logged")
    return parser.parse_args()


OPTIONS = parse_arguments()
MODES = ("no-ranges", "stall", "silent", "short", "redirect", "damaged")
TYPES = {".m3u8": "application/vnd.apple.mpegurl", ".mpd": "application/dash+xml",
         ".mp4": "video/mp4", ".ts": "video/mp2t", ".m4s": "video/iso.segment"}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def log_request_line(self):
        if OPTIONS.log:
            with open(OPTIONS.log, "a", encoding="utf-8") as log:
                log.write(f"{self.path} {self.headers.get('Range', '-')}\n")

    def not_found(self):
        body = b"not found"
        self.send_response(404)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_HEAD(self):  # noqa: N802 - the base class's name
        self.do_GET(head=True)

    def do_GET(self, head=False):  # noqa: N802 - the base class's name
        self.log_request_line()
        parts = self.path.split("?")[0].lstrip("/").split("/", 1)
        mode = parts[0] if parts[0] in MODES and len(parts) > 1 else ""
        name = parts[1] if mode else "/".join(parts)
        path = os.path.realpath(os.path.join(OPTIONS.root, name))
        root = os.path.realpath(OPTIONS.root)
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            self.not_found()
            return
        if mode == "redirect":
            self.send_response(302)
            self.send_header("Location", "/" + name)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "silent":
            time.sleep(600)
            return
        with open(path, "rb") as source:
            body = source.read()
        announced = len(body)
        if mode == "short":
            body = body[: len(body) * 3 // 5]
        if mode == "damaged":
            body = body[: len(body) * 2 // 5] + b"\n#EXTINF:x,\n\x00\xff<<garbage>>\n"
        try:
            self.send_body(mode, path, body, head, announced)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def send_body(self, mode, path, body, head, announced):
        total = len(body)
        match = re.fullmatch(r"bytes=(\d*)-(\d*)", self.headers.get("Range", ""))
        ranged = match is not None and mode != "no-ranges" and (match[1] or match[2])
        if ranged:
            if match[1]:
                first = int(match[1])
                last = min(int(match[2]), total - 1) if match[2] else total - 1
            else:
                first, last = max(0, total - int(match[2])), total - 1
            if first >= total or first > last:
                self.send_response(416)
                self.send_header("Content-Range", f"bytes */{total}")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {first}-{last}/{total}")
            body = body[first:last + 1]
        else:
            self.send_response(200)
        self.send_header("Content-Type", TYPES.get(os.path.splitext(path)[1], "application/octet-stream"))
        if mode != "no-ranges":
            self.send_header("Accept-Ranges", "bytes")
        if mode == "short":
            self.send_header("Content-Length", str(len(body) + announced - total))
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if head:
            return
        if mode == "stall":
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            time.sleep(600)
            return
        if mode == "short":
            # Over two seconds, ahead of playing: the player is set up
            # before the connection closes, however busy the machine.
            step = max(1, len(body) // 10)
            for start in range(0, len(body), step):
                self.wfile.write(body[start:start + step])
                self.wfile.flush()
                time.sleep(0.2)
            return
        self.wfile.write(body)
        self.wfile.flush()


def main():
    return serve(Handler)


if __name__ == "__main__":
    sys.exit(main())
