"""Takes the OBS screenshots in this folder from a build: the real OBS Studio from Debian
(which has no browser source) drawing the three games with its own sources, as OBS's own
preview renders the scene (GetSourceScreenshot), over a coloured background at 1920 × 1080;
and, for the browser-source path, the same games' overlay pages drawn by Chromium at the
places and sizes the program gives its browser sources. Runs in a private network on a
private X display.

    python3 docs/obs/take.py BUILD_BIN_FOLDER      (e.g. build/dev/bin)
"""
import base64
import os
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tests", "support"))
from obs_session import ObsSession, in_private_network, wait_until  # noqa: E402

in_private_network()
session = ObsSession(sys.argv[1])
client = session.start_obs()
scene = client.must("GetCurrentProgramScene")["currentProgramSceneName"]
# The host's background, under everything the program adds.
client.must("CreateInput", {"sceneName": scene, "inputName": "背景", "inputKind": "color_source_v3",
                            "inputSettings": {"color": 0xFF6B3D2E, "width": 1920, "height": 1080}})
session.start_program()
if not session.connected():
    sys.exit("OBS never connected")
ctl = session.ctl
for game in ("tally", "dice", "minebox"):
    ctl("open", game)
# A PK under way.
for player, amount in (("1", "99999999"), ("2", "52000"), ("2", "1314"), ("1", "666")):
    ctl("tally", "add", player, amount)
# Two settled dice turns, the dice of the last one shown.
for _ in range(2):
    for step in (("prompt",), ("count", "3"), ("start",), ("throw",), ("throw",), ("throw",),
                 ("reveal",)):
        ctl("dice", *step)
# A board with boxes opened by both players.
ctl("minebox", "counts", "24", "5")
ctl("minebox", "bury")
for box, player in (("3", "1"), ("7", "2"), ("12", "1")):
    ctl("minebox", "dig", box)
    ctl("minebox", "credit", player)
code, said = ctl("obs", "setup")
print(said)
if code != 0:
    sys.exit(1)
wait_until(lambda: client.text("Glimmerhall · Quorvane · 玩家一总数") not in ("", None), 10)
time.sleep(1.5)  # OBS draws the new texts on its next frames
shot = client.must("GetSourceScreenshot", {"sourceName": scene, "imageFormat": "png",
                                           "imageWidth": 1920, "imageHeight": 1080})
with open(os.path.join(here, "native-sources.png"), "wb") as out:
    out.write(base64.b64decode(shot["imageData"].split(",", 1)[1]))

# What browser sources would show: each game's page where the program puts its source.
places = {"tally": (40, 40, 640, 260), "dice": (1240, 40, 640, 300),
          "minebox": (40, 480, 640, 360)}
# The pages refuse to be framed, so each is drawn alone, transparent, and laid on the
# background where its source would be.
composite = ["convert", "-size", "1920x1080", "xc:#2e3d6b"]
for game, (x, y, w, h) in places.items():
    part = os.path.join(session.work, game + ".png")
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    "--window-size=%d,%d" % (w, h), "--default-background-color=00000000",
                    "--virtual-time-budget=3000", "--screenshot=" + part,
                    "http://127.0.0.1:17610/overlay/" + game], capture_output=True, timeout=120)
    composite += [part, "-geometry", "+%d+%d" % (x, y), "-composite"]
# No metadata: only the picture goes into the repository.
subprocess.run(composite + ["-strip", os.path.join(here, "browser-sources.png")], check=True)
session.end()
