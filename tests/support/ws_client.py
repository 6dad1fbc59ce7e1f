"""A WebSocket client on the standard library alone, for the tests and benchmarks that talk
to OBS, to Chromium's DevTools and to the program's own servers from outside."""
import base64
import os
import socket
import struct


class WebSocketError(Exception):
    pass


class WebSocket:
    def __init__(self, host, port, path="/", headers=None, timeout=10):
        self.sock = socket.create_connection((host, port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        extra = "".join("%s: %s\r\n" % item for item in (headers or {}).items())
        self.sock.sendall(
            ("GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
             "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n%s\r\n"
             % (path, host, port, key, extra)).encode())
        head = b""
        while b"\r\n\r\n" not in head:
            byte = self.sock.recv(1)
            if not byte:
                raise WebSocketError("closed during the handshake")
            head += byte
        self.status = int(head.split(b" ", 2)[1])
        if self.status != 101:
            raise WebSocketError("no WebSocket: " + head.decode(errors="replace").splitlines()[0])

    def _read(self, n):
        data = b""
        while len(data) < n:
            part = self.sock.recv(n - len(data))
            if not part:
                raise WebSocketError("connection closed")
            data += part
        return data

    def receive(self):
        """The next text message; raises on a close."""
        while True:
            first, second = self._read(2)
            length = second & 127
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            payload = self._read(length)
            opcode = first & 15
            if opcode == 8:
                code = struct.unpack(">H", payload[:2])[0] if len(payload) >= 2 else 1005
                raise WebSocketError("closed with %d %s"
                                     % (code, payload[2:].decode(errors="replace")))
            if opcode == 1:
                return payload.decode()

    def send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        n = len(data)
        head = bytes([0x81])
        if n < 126:
            head += bytes([0x80 | n])
        elif n < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", n)
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", n)
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def close(self):
        self.sock.close()
