"""The real program with its phone remote on, and real Chromium browsers as phones, inside a
private network where a veth pair stands in for the local network (10.77.0.1 and 10.77.0.2):
for the remote's test, its screenshots and its benchmark.

    in_private_lan()                 # re-enters the calling script under `unshare --net` once
    session = RemoteSession(program_folder)
    phone = session.browser(360, 640); phone.go(session.pairing_address())
    session.end()
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

from program_copy import copy_program, run_ctl
from ws_client import WebSocket

LAN = ("10.77.0.1", "10.77.0.2")


def in_private_lan():
    if not os.environ.get("GLIMMER_LAN_INSIDE"):
        os.environ["GLIMMER_LAN_INSIDE"] = "1"
        script = os.path.abspath(sys.argv[0])
        setup = ("ip link set lo up && ip link add lan0 type veth peer name lan1 && "
                 "ip addr add %s/24 dev lan0 && ip addr add %s/24 dev lan1 && "
                 "ip link set lan0 up && ip link set lan1 up" % LAN)
        os.execvp("unshare", ["unshare", "--net", "bash", "-c",
                              setup + ' && exec python3 "$0" "$@"', script] + sys.argv[1:])


def wait_until(test, seconds, step=0.05):
    """A guard against a hang, not a timing: the result of test once true, or None."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = test()
        except (OSError, ValueError, KeyError):
            value = None
        if value:
            return value
        time.sleep(step)
    return None


class Browser:
    """One Chromium with a profile of its own (a phone), driven over DevTools."""

    def __init__(self, work, width, height):
        self.profile = tempfile.mkdtemp(dir=work)
        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--remote-debugging-address=127.0.0.1", "--remote-debugging-port=0",
             "--user-data-dir=" + self.profile, "--hide-scrollbars", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        if not wait_until(lambda: os.path.getsize(port_file) > 0, 30):
            raise RuntimeError("Chromium did not start")
        port = int(open(port_file).read().split()[0])
        pages = wait_until(lambda: [t for t in json.load(urllib.request.urlopen(
            "http://127.0.0.1:%d/json/list" % port)) if t["type"] == "page"], 30)
        url = pages[0]["webSocketDebuggerUrl"]
        self.devtools = WebSocket("127.0.0.1", port, url.split(str(port), 1)[1], timeout=60)
        self.next_id = 0
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 2, "mobile": True})

    def call(self, method, params=None):
        self.next_id += 1
        self.devtools.send(json.dumps({"id": self.next_id, "method": method,
                                       "params": params or {}}))
        while True:
            message = json.loads(self.devtools.receive())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})

    def go(self, address):
        self.call("Page.navigate", {"url": address})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True})
        return result.get("result", {}).get("value")

    def text(self):
        return self.evaluate("document.body ? document.body.innerText : ''") or ""

    def screenshot(self, path, width, height, before=None):
        """The viewport at that size as a PNG; before, a script run once it is laid out."""
        import base64
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 2, "mobile": True})
        time.sleep(0.5)
        if before:
            self.evaluate(before)
            time.sleep(0.3)
        shot = self.call("Page.captureScreenshot", {"format": "png"})
        with open(path, "wb") as out:
            out.write(base64.b64decode(shot["data"]))

    def end(self):
        self.devtools.close()
        self.process.terminate()
        self.process.wait(20)


class RemoteSession:
    def __init__(self, program_folder):
        self.work = tempfile.mkdtemp()
        self.browsers = []
        self.binary, self.environment = copy_program(program_folder, self.work)
        self.program = subprocess.Popen([self.binary], env=self.environment,
                                        stdout=open(os.path.join(self.work, "program.log"), "w"),
                                        stderr=subprocess.STDOUT)
        if not wait_until(lambda: self.ctl("state")[0] == 0, 30):
            sys.exit("FAIL: the program never answered")

    def ctl(self, *words):
        return run_ctl(self.binary, self.environment, *words)

    def state(self):
        return json.loads(self.ctl("state")[1])

    def browser(self, width=360, height=640):
        browser = Browser(self.work, width, height)
        self.browsers.append(browser)
        return browser

    def end(self):
        for browser in self.browsers:
            browser.end()
        self.program.terminate()
        self.program.wait(20)
        shutil.rmtree(self.work, ignore_errors=True)
