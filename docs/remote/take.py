"""Takes the phone remote's screenshots in this folder from a build: the page in Chromium at
360 × 640 (portrait) and 800 × 360 (landscape), with a PK and a dice turn under way, paired
with the real program over a veth pair in a private network.

    python3 docs/remote/take.py BUILD_BIN_FOLDER      (e.g. build/dev/bin)
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tests", "support"))
from remote_session import RemoteSession, in_private_lan, wait_until  # noqa: E402

in_private_lan()
session = RemoteSession(sys.argv[1])
ctl = session.ctl
ctl("remote", "on")
for game in ("tally", "dice"):
    ctl("open", game)
for player, amount in (("1", "5200"), ("2", "1314"), ("1", "666"), ("2", "99999")):
    ctl("tally", "add", player, amount)
for step in (("prompt",), ("count", "3"), ("start",), ("throw",), ("throw",), ("throw",),
             ("reveal",), ("prompt",), ("count", "5"), ("start",)):
    ctl("dice", *step)
phone = session.browser(360, 640)
phone.go(ctl("remote", "pair")[1])
wait_until(lambda: "已连接" in phone.text() and "撤销：" in phone.text(), 15)
phone.screenshot(os.path.join(here, "phone-portrait.png"), 360, 640)
phone.screenshot(os.path.join(here, "phone-landscape.png"), 800, 360)
# The dice card, further down the page, below the page's fixed header.
phone.screenshot(os.path.join(here, "phone-dice.png"), 360, 640, """(() => {
    const title = [...document.querySelectorAll('*')].find((e) => e.children.length === 0 &&
        e.textContent.trim() === 'Vessmoor' && e.getClientRects().length > 0);
    window.scrollTo(0, title.getBoundingClientRect().top + window.scrollY - 80);
})()""")
session.end()
