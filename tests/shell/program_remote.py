"""The phone remote end to end: the real program, real Chromium browsers at phone size as the
room controller's phones, and a veth pair inside a private network standing in for the local
network. The QR code decodes to the pairing address, opening it pairs, a press changes the PK
and the overlay, a second browser with the same address is refused, a view-only phone sees but
cannot change, a removed phone's next press fails, and every attack is refused with nothing
changed.

    program_remote.py PROGRAM_FOLDER
"""
import hashlib
import hmac
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_copy import Checks  # noqa: E402
from remote_session import LAN, RemoteSession, in_private_lan, wait_until  # noqa: E402
from ws_client import WebSocket, WebSocketError  # noqa: E402

in_private_lan()
check = Checks()


session = RemoteSession(sys.argv[1])
ctl = session.ctl
code, out = ctl("remote", "status")
check(code == 0 and "关着" in out, "the remote is off until the host turns it on")
code, out = ctl("remote", "on")
addresses = out.splitlines()
check(code == 0 and sorted(addresses) == sorted("http://%s:17611/" % a for a in LAN),
      "it listens on the local network's addresses: %s" % addresses)
listening = [line.split()[3] for line in subprocess.run(
    ["ss", "-ltnH", "sport = :17611"], capture_output=True, text=True).stdout.splitlines()]
check(sorted(listening) == sorted("%s:17611" % a for a in LAN),
      "never on loopback nor on every address: %s" % listening)
ctl("open", "tally")
ctl("open", "dice")

qr = os.path.join(session.work, "pair.png")
code, pairing = ctl("remote", "pair", "--qr", qr)
decoded = subprocess.run(["zbarimg", "-q", "--raw", qr], capture_output=True, text=True).stdout
check(code == 0 and decoded.strip() == pairing and "#pair=" in pairing,
      "the QR code decodes to the pairing address")


def tally_total(player):
    return session.state()["tally"]["players"][player - 1]["total"]


def devices():
    return [line.split()[0] for line in ctl("remote", "devices")[1].splitlines()
            if len(line.split()[0]) == 16]


phone = session.browser(360, 640)
phone.go(pairing)
check(wait_until(lambda: "已连接" in phone.text(), 15) is not None, "opening it pairs the phone")
check(len(devices()) == 1, "one device paired")
stored = json.loads(phone.evaluate("JSON.stringify(Object.assign({}, localStorage))") or "{}")
check(any("key" in value for value in stored.values()), "the key is kept in the page's storage")
check(phone.evaluate("location.hash") == "", "the ticket is taken out of the address")


def press(browser, label):
    """Clicks the first button whose text is label; the page's feedback after it."""
    return browser.evaluate("""(() => {
        const button = [...document.querySelectorAll('button')].find(
            (b) => b.innerText.trim() === %s && !b.disabled);
        if (!button) return 'no button';
        button.click();
        return 'pressed';
    })()""" % json.dumps(label))


# The overlay follows what the phone does, as it follows every way in.
overlay = WebSocket("127.0.0.1", 17610, "/ws")
overlay.receive()
check(press(phone, "+99") == "pressed", "the phone shows the preset buttons")
check(wait_until(lambda: tally_total(1) == "99", 10) is not None, "pressing a preset changes the PK")
seen = wait_until(lambda: json.loads(overlay.receive())["tally"]["players"][0]["total"] == "99", 10)
check(seen is not None, "and the overlay")
check(wait_until(lambda: "已完成" in phone.text(), 5) is not None, "the phone says it is done")
check(wait_until(lambda: "撤销：" in phone.text(), 5) is not None, "undo says what it will undo")

# The same address in a second browser: its ticket is spent.
second = session.browser(360, 640)
second.go(pairing)
check(wait_until(lambda: "配对码" in second.text(), 15) is not None and len(devices()) == 1,
      "a second browser with the same address is refused")

# A view-only phone sees the state but cannot change it.
viewer = session.browser(800, 360)
viewer.go(ctl("remote", "pair")[1])
wait_until(lambda: len(devices()) == 2, 15)
viewer_id = [d for d in devices() if d != devices()[0]][0]
check(ctl("remote", "role", viewer_id, "view")[0] == 0, "ctl sets a device view only")
viewer.evaluate("location.reload()")
check(wait_until(lambda: "只看" in viewer.text() and "99" in viewer.text(), 15) is not None,
      "a view-only phone sees the state")
check(press(viewer, "+99") == "no button", "and has no buttons to change it")

# Signed requests by hand, as a phone's page makes them, for the attacks below.
record = [value for value in stored.values() if "key" in value][0]
record = json.loads(record) if isinstance(record, str) else record
device, key = record["device"], record["key"]
key_bytes = __import__("base64").urlsafe_b64decode(key + "=" * (-len(key) % 4))
counter = [0]
host = "%s:17611" % LAN[0]


def raw(method, path, body=b"", headers=None, origin=None, host_header=host):
    request = "%s %s HTTP/1.1\r\nHost: %s\r\n" % (method, path, host_header)
    if origin:
        request += "Origin: %s\r\n" % origin
    for name, value in (headers or {}).items():
        request += "%s: %s\r\n" % (name, value)
    if method == "POST":
        request += "Content-Type: application/json\r\nContent-Length: %d\r\n" % len(body)
    with socket.create_connection((LAN[0], 17611), timeout=10) as connection:
        connection.sendall(request.encode() + b"\r\n" + body)
        answer = b""
        while True:
            part = connection.recv(65536)
            if not part:
                break
            answer += part
    return int(answer.split(b" ", 2)[1]) if answer else 0


def signed(body, when=None, count=None, sign_key=None):
    # As the page counts: above the last one, and never below the clock, so that the page's
    # own next press still counts above these.
    counter[0] = max(counter[0] + 1, int(time.time() * 1000))
    stamp = str(when if when is not None else int(time.time() * 1000))
    number = str(count if count is not None else counter[0])
    message = "POST\n/api/act\n%s\n%s\n%s" % (stamp, number, body)
    signature = hmac.new(sign_key or key_bytes, message.encode(), hashlib.sha256).hexdigest()
    return {"X-Glimmer-Device": device, "X-Glimmer-Time": stamp, "X-Glimmer-Counter": number,
            "X-Glimmer-Signature": signature}


add = '{"game":"tally","action":"add","player":2,"amount":"7"}'
check(raw("POST", "/api/act", add.encode(), signed(add)) == 200, "a signed request by hand is done")
replayed = signed(add)
check(raw("POST", "/api/act", add.encode(), replayed) == 200, "once")
before = (tally_total(1), tally_total(2))
attacks = {
    "no key": lambda: raw("POST", "/api/act", add.encode()),
    "a replay": lambda: raw("POST", "/api/act", add.encode(), replayed),
    "a wrong HMAC": lambda: raw("POST", "/api/act", add.encode(), signed(add, sign_key=b"x" * 16)),
    "a time 60 s off": lambda: raw("POST", "/api/act", add.encode(),
                                   signed(add, when=int(time.time() * 1000) - 60_000)),
    "another Host": lambda: raw("POST", "/api/act", add.encode(), signed(add),
                                host_header="evil.example"),
    "another site's page": lambda: raw("POST", "/api/act", add.encode(), signed(add),
                                       origin="http://evil.example"),
    "an oversized body": lambda: raw("POST", "/api/act", b"x" * 5000, signed("x" * 5000)),
    "a guessed ticket": lambda: raw("POST", "/api/pair", b'{"ticket":"AAAAAAAAAAAAAAAAAAAAAA"}'),
    "the spent ticket": lambda: raw("POST", "/api/pair",
                                    json.dumps({"ticket": pairing.split("=", 1)[1]}).encode()),
}
expected = {"no key": 401, "a replay": 409, "a wrong HMAC": 401, "a time 60 s off": 400,
            "another Host": 421, "another site's page": 403, "an oversized body": 413,
            "a guessed ticket": 403, "the spent ticket": 403}
for name, attack in attacks.items():
    status = attack()
    check(status == expected[name], "%s is refused (%d)" % (name, status))
check((tally_total(1), tally_total(2)) == before, "and none of them changed the PK")
try:
    WebSocket(LAN[0], 17611, "/ws?device=%s&time=%d&counter=%d&signature=00"
              % (device, time.time() * 1000, time.time() * 1000))
    check(False, "a WebSocket without a valid signature is refused")
except WebSocketError as error:
    check("401" in str(error), "a WebSocket without a valid signature is refused")

# Slowloris: a head that never ends loses its connection within the head's time.
slow = socket.create_connection((LAN[0], 17611), timeout=10)
slow.sendall(b"GET / HTTP/1.1\r\nHost: " + host.encode() + b"\r\n")
started = time.monotonic()
try:
    closed = slow.recv(1) == b""
except ConnectionResetError:
    closed = True
check(closed and time.monotonic() - started < 8, "a head that trickles is cut off")

# A flood from one device (the viewer's, signed by hand) is limited; another device and the
# host go on meanwhile.
viewer_record = json.loads(viewer.evaluate("localStorage.getItem('glimmerhall.remote')"))
device = viewer_record["device"]
key_bytes = __import__("base64").urlsafe_b64decode(
    viewer_record["key"] + "=" * (-len(viewer_record["key"]) % 4))
statuses = [raw("POST", "/api/act", add.encode(), signed(add)) for _ in range(40)]
check(429 in statuses and 200 not in statuses, "a flood from one device is limited: %s"
      % sorted(set(statuses)))
check(ctl("tally", "add", "1", "1")[0] == 0, "the host's own commands go on")
check(press(phone, "+9") == "pressed" and wait_until(lambda: tally_total(1) == "109", 10),
      "and so do the phone's")

# Removed: its next press fails and changes nothing.
phone_id = [d for d in devices() if d != viewer_id][0]
check(ctl("remote", "remove", phone_id)[0] == 0, "ctl removes the phone")
total = tally_total(1)
press(phone, "+99")
check(wait_until(lambda: "移除" in phone.text(), 10) is not None and tally_total(1) == total,
      "a removed phone's next press fails")

# Off closes every connection at once.
ctl("remote", "off")
try:
    urllib.request.urlopen("http://%s/" % host, timeout=5)
    check(False, "off: nothing answers")
except OSError:
    check(True, "off: nothing answers")

overlay.close()
session.end()
sys.exit(check.end())
