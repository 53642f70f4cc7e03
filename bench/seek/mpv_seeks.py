#!/usr/bin/env python3
"""Exact seeks in mpv, paused, through its IPC socket: for each time given,
the milliseconds from sending `seek <t> absolute+exact` to mpv's
`playback-restart` event (the new frame decoded and handed to its video
output). Prints one line per seek, `seek_ms=<ms>`.

    mpv_seeks.py CLIP SECONDS...
"""

import json
import os
import socket
import subprocess
import sys
import tempfile
import time


def main():
    clip, targets = sys.argv[1], [float(t) for t in sys.argv[2:]]
    folder = tempfile.mkdtemp(prefix="mpv-seeks-")
    path = os.path.join(folder, "ipc")
    player = subprocess.Popen(
        ["mpv", "--no-config", "--pause", "--hr-seek=yes", "--ao=null", "--vo=x11",
         "--geometry=1280x720", "--idle=no", f"--input-ipc-server={path}", clip],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(200):
            if os.path.exists(path):
                break
            time.sleep(0.05)
        ipc = socket.socket(socket.AF_UNIX)
        ipc.connect(path)
        reader = ipc.makefile("r")

        def send(*command):
            ipc.sendall((json.dumps({"command": list(command)}) + "\n").encode())

        def wait_for(event, limit=20):
            deadline = time.monotonic() + limit
            ipc.settimeout(limit)
            while time.monotonic() < deadline:
                line = reader.readline()
                if not line:
                    return False
                if json.loads(line).get("event") == event:
                    return True
            return False

        if not wait_for("playback-restart"):
            print("mpv_seeks: the clip never showed", file=sys.stderr)
            return 1
        for target in targets:
            start = time.monotonic()
            send("seek", target, "absolute+exact")
            if not wait_for("playback-restart"):
                print(f"mpv_seeks: no answer to the seek to {target}", file=sys.stderr)
                return 1
            print(f"seek_ms={(time.monotonic() - start) * 1000:.1f}", flush=True)
        send("quit")
        return 0
    finally:
        try:
            player.wait(5)
        except subprocess.TimeoutExpired:
            player.kill()


if __name__ == "__main__":
    sys.exit(main())
