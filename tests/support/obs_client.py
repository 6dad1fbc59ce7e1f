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
import sys

from ws_client import WebSocket, WebSocketError


class ObsError(Exception):
    pass


class ObsClient:
    def __init__(self, port, password, host="127.0.0.1", timeout=10):
        try:
            self.socket = WebSocket(host, port, "/", {"Sec-WebSocket-Protocol": "obswebsocket.json"},
                                    timeout)
        except WebSocketError as error:
            raise ObsError(str(error))
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

    def _receive(self):
        try:
            return json.loads(self.socket.receive())
        except WebSocketError as error:
            raise ObsError(str(error))

    def _send(self, message):
        self.socket.send(json.dumps(message))

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
        self.socket.close()


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
