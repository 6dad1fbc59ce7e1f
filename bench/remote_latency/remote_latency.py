"""A press on the phone remote's page to the new state on the overlay's WebSocket: the real
program, Chromium at phone size over a veth pair in a private network, the press a click on
the page's "+1" preset button (its signed request, the gate, the game host), the state read
from the overlay server's /ws as an overlay gets it. Median and 99th percentile.

    remote_latency.py PROGRAM_FOLDER [PRESSES]
"""
import json
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "support"))
from remote_session import RemoteSession, in_private_lan, wait_until  # noqa: E402
from ws_client import WebSocket  # noqa: E402

in_private_lan()
presses = int(sys.argv[2]) if len(sys.argv) > 2 else 200
session = RemoteSession(sys.argv[1])
session.ctl("remote", "on")
session.ctl("open", "tally")
phone = session.browser(360, 640)
phone.go(session.ctl("remote", "pair")[1])
if not wait_until(lambda: "已连接" in phone.text(), 15):
    sys.exit("the phone did not pair")
overlay = WebSocket("127.0.0.1", 17610, "/ws")
overlay.receive()
click = """(() => { [...document.querySelectorAll('button')].find(
    (b) => b.innerText.trim() === '+1').click(); return 1; })()"""
samples = []
for n in range(1, presses + 1):
    start = time.perf_counter()
    phone.evaluate(click)
    while json.loads(overlay.receive())["tally"]["players"][0]["total"] != str(n):
        pass
    samples.append((time.perf_counter() - start) * 1e3)
    # The page's own budget is 10 presses a second per phone; a host's thumb is slower.
    time.sleep(0.11)
samples.sort()
at = lambda share: samples[min(int(share * (len(samples) - 1) + 0.5), len(samples) - 1)]
print("phone remote, a press on the page to the new state on the overlay's WebSocket, "
      "%d presses" % presses)
print("  median %7.2f ms  p99 %7.2f ms" % (at(0.5), at(0.99)))
overlay.close()
session.end()
