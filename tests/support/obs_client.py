"""A small obs-websocket 5 client on the standard library alone, for the tests, the OBS
screenshots and the OBS benchmark: they look at OBS as the host would, from outside the
program.

    python3 obs_client.py PORT PASSWORD REQUEST_TYPE [JSON_DATA]

prints the reply's JSON and exits 0 when OBS did what was asked, 1 when it refused, 2 when
it could not be reached.
"""
import base64
import hashlib
import json
import os
import socket
import struct
import sys


class ObsError(Exception):
    pass


class ObsClient:
    def __init__(self, port, password, host="127.0.0.1", timeout=10):
        self.sock = socket.create_connection((host, port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(
            ("GET / HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
             "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n"
             "Sec-WebSocket-Protocol: obswebsocket.json\r\n\r\n" % (host, port, key)).encode())
        head = b""
        while b"\r\n\r\n" not in head:
            byte = self.sock.recv(1)
            if not byte:
                raise ObsError("closed during the handshake")
            head += byte
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ObsError("no WebSocket: " + head.decode(errors="replace"))
        hello = self._receive()["d"]
        identify = {"rpcVersion": 1, "eventSubscriptions": 0}
        asked = hello.get("authentication")
        if asked:
            secret = base64.b64encode(
                hashlib.sha256((password + asked["salt"]).encode()).digest())
            identify["authentication"] = base64.b64encode(
                hashlib.sha256(secret + asked["challenge"].encode()).digest()).decode()
        self._send({"op": 1, "d": identify})
        if self._receive().get("op") != 2:
            raise ObsError("not identified")
        self.next_id = 0

    def _read(self, n):
        data = b""
        while len(data) < n:
            part = self.sock.recv(n - len(data))
            if not part:
                raise ObsError("connection closed")
            data += part
        return data

    def _receive(self):
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
                raise ObsError("closed by OBS with %d %s" % (code, payload[2:].decode(errors="replace")))
            if opcode == 1:
                return json.loads(payload)

    def _send(self, message):
        data = json.dumps(message).encode()
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

    def call(self, request_type, data=None):
        """The reply's (ok, code, responseData)."""
        self.next_id += 1
        request_id = str(self.next_id)
        self._send({"op": 6, "d": {"requestType": request_type, "requestId": request_id,
                                   "requestData": data or {}}})
        while True:
            message = self._receive()
            if message.get("op") == 7 and message["d"].get("requestId") == request_id:
                status = message["d"]["requestStatus"]
                return status["result"], status["code"], message["d"].get("responseData", {})

    def must(self, request_type, data=None):
        ok, code, reply = self.call(request_type, data)
        if not ok:
            raise ObsError("%s failed with %d" % (request_type, code))
        return reply

    def items(self, scene):
        ok, _, reply = self.call("GetSceneItemList", {"sceneName": scene})
        return reply.get("sceneItems", []) if ok else None

    def text(self, name):
        ok, _, reply = self.call("GetInputSettings", {"inputName": name})
        return reply["inputSettings"].get("text") if ok else None

    def close(self):
        self.sock.close()


def main():
    if len(sys.argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        client = ObsClient(int(sys.argv[1]), sys.argv[2])
        ok, code, reply = client.call(sys.argv[3], json.loads(sys.argv[4]) if len(sys.argv) > 4 else {})
    except (OSError, ObsError) as error:
        print(error, file=sys.stderr)
        return 2
    print(json.dumps({"ok": ok, "code": code, "data": reply}, ensure_ascii=False))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
