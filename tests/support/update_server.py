#!/usr/bin/env python3
"""A local update server for the update tests.

Listens on 127.0.0.1 on a free port and prints "PORT <n>" once it is ready.
Serves "versioninfo_velvaro", "velvaro_update_history.php" and the program
file that line 2 of the version info names, with HTTP/1.1 keep-alive. Each
request is logged as "<client port> <path>" to --log, so a test can see the
requests, their order and which connection carried them. The switches make
each failure the update must survive.
"""

import argparse
import http.server
import sys
import time

from local_http import serve


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", default="1.2.0.4", help="line 1 of the version info")
    parser.add_argument("--file-name", default="velvaro-1.2.0.4", help="line 2 of the version info")
    parser.add_argument("--file", help="the bytes served as the program file")
    parser.add_argument("--history", help="the history answer, served as it is")
    parser.add_argument("--signature", help="line 3 of the version info, after 'sig:'")
    parser.add_argument("--log", help="where each request is logged")
    parser.add_argument("--versioninfo-404", action="store_true")
    parser.add_argument("--history-404", action="store_true")
    parser.add_argument("--file-404", action="store_true")
    parser.add_argument("--no-path", action="store_true", help="version info without line 2")
    parser.add_argument("--truncate", action="store_true",
                        help="announce the whole file, send half of it and close")
    parser.add_argument("--no-length", action="store_true",
                        help="send the file without a content length, then close")
    parser.add_argument("--slow", action="store_true",
                        help="send the file in small blocks with pauses between them")
    return parser.parse_args()


OPTIONS = parse_arguments()


def read_bytes(path):
    if not path:
        return b""
    with open(path, "rb") as source:
        return source.read()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def log_request_line(self):
        if OPTIONS.log:
            with open(OPTIONS.log, "a", encoding="utf-8") as log:
                log.write(f"{self.client_address[1]} {self.path}\n")

    def answer(self, status, body=b"", length=True):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def do_GET(self):  # noqa: N802 - the base class's name
        self.log_request_line()
        path = self.path.lstrip("/")
        if path == "versioninfo_velvaro":
            self.version_info()
        elif path.startswith("velvaro_update_history.php"):
            if OPTIONS.history_404:
                self.answer(404, b"not found")
            else:
                self.answer(200, read_bytes(OPTIONS.history))
        elif path == OPTIONS.file_name:
            self.program_file()
        else:
            self.answer(404, b"not found")

    def version_info(self):
        if OPTIONS.versioninfo_404:
            self.answer(404, b"not found")
            return
        lines = [OPTIONS.version]
        if not OPTIONS.no_path:
            lines.append(OPTIONS.file_name)
            if OPTIONS.signature is not None:
                lines.append("sig:" + OPTIONS.signature)
        self.answer(200, ("\r\n".join(lines) + "\r\n").encode())

    def program_file(self):
        if OPTIONS.file_404:
            self.answer(404, b"not found")
            return
        body = read_bytes(OPTIONS.file)
        if OPTIONS.no_length:
            self.answer(200, body, length=False)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        if OPTIONS.truncate:
            self.send_header("Connection", "close")
            self.close_connection = True
            body = body[: len(body) // 2]
        self.end_headers()
        try:
            if OPTIONS.slow:
                for start in range(0, len(body), 1024):
                    self.wfile.write(body[start:start + 1024])
                    self.wfile.flush()
                    time.sleep(0.05)
            else:
                self.wfile.write(body)
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


def main():
    return serve(Handler)


if __name__ == "__main__":
    sys.exit(main())
