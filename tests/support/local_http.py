"""What the tests' HTTP servers share: a threaded server on a free port of
127.0.0.1 that says which port as "PORT <n>" on its first line of output,
then serves until it is ended."""

import http.server
import sys


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A client that lets go of a connection mid-answer is no fault.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            super().handle_error(request, client_address)


def serve(handler):
    server = Server(("127.0.0.1", 0), handler)
    print(f"PORT {server.server_address[1]}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0
