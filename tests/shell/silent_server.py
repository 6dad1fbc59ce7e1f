#!/usr/bin/env python3
"""Accepts connections on 127.0.0.1:PORT and never answers.

Touches MARKER.listening once it listens and MARKER at the first connection."""
import socket
import sys

port, marker = int(sys.argv[1]), sys.argv[2]
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", port))
server.listen(16)
open(marker + ".listening", "w").close()
held = []
server.settimeout(120)  # stops by itself
while True:
    try:
        connection, _ = server.accept()
    except socket.timeout:
        break
    held.append(connection)
    open(marker, "w").close()
