"""The real program against the real OBS Studio from Debian (built without the browser source),
both on a private X server inside a private network: the password, the games drawn with OBS's
own sources, live updates, hiding with the window, OBS restarted, setup run twice, and
removal that leaves the host's own sources.

    program_obs.py PROGRAM_FOLDER X11_CLOSE
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_copy import Checks  # noqa: E402

from obs_session import ObsSession, in_private_network, wait_until  # noqa: E402

in_private_network()
folder, x11_close = sys.argv[1], sys.argv[2]
check = Checks()


session = ObsSession(folder)
client = session.start_obs()
ctl = session.ctl
connected = session.connected
environment = session.environment
scene = client.must("GetCurrentProgramScene")["currentProgramSceneName"]
check("browser_source" not in client.must("GetInputKindList")["inputKinds"],
      "this OBS has no browser source")
# The host's own things, which the program must leave as they are.
client.must("CreateInput", {"sceneName": scene, "inputName": "主播的字幕",
                            "inputKind": "text_ft2_source_v2", "inputSettings": {"text": "关注"}})

# The wrong password: said in words, and ctl's refusal status.
session.start_program("wrong")
code, out = wait_until(lambda: (lambda r: r if "密码" in r[1] else None)(ctl("obs", "status")),
                       30, 0.3) or ctl("obs", "status")
check(code == 1 and "不接受这个密码" in out,
      "a wrong password is refused in words (%d: %s)" % (code, out.strip()))
session.stop(session.program)

session.start_program()
check(connected(), "the right password connects")
code, out = ctl("obs", "status")
check("29." in out or "30." in out, "status gives OBS's version: " + out.strip().splitlines()[0])

for game in ("tally", "dice", "minebox"):
    ctl("open", game)
code, out = ctl("obs", "setup")
check(code == 0 and out.count("OBS 自带的文字和图片源") == 3, "setup of all three games without a browser source")
titles = {"tally": "Quorvane", "dice": "Vessmoor", "minebox": "Krallow"}
counts = {}
for game, title in titles.items():
    items = client.items("Glimmerhall · " + title)
    counts[title] = len(items or [])
    check(bool(items) and all(item["inputKind"] in ("text_ft2_source_v2", "image_source")
                              for item in items), "%s drawn with %d text and picture sources"
          % (title, counts[title]))
ours = [item["sourceName"] for item in client.items(scene) if item["sourceName"].startswith("Glimmerhall")]
check(sorted(ours) == sorted("Glimmerhall · " + t for t in titles.values()),
      "one scene item per game in the host's scene")

# Running it again makes nothing new.
inputs_before = len(client.must("GetInputList")["inputs"])
code, out = ctl("obs", "setup")
check(code == 0, "setup runs again")
check(len(client.must("GetInputList")["inputs"]) == inputs_before, "no input made twice")
check(all(len(client.items("Glimmerhall · " + t)) == counts[t] for t in titles.values())
      and len(client.items(scene)) == len(ours) + 1, "no scene item made twice")

# Live: an addition reaches OBS's text; a style the host set stays.
total = "Glimmerhall · Quorvane · 玩家一总数"
client.must("SetInputSettings", {"inputName": total, "inputSettings": {
    "font": {"face": "Noto Sans CJK SC", "size": 71, "style": "Regular", "flags": 0}}})
ctl("tally", "add", "1", "12345")
check(wait_until(lambda: client.text(total) == "1.23万", 10) is not None,
      "ctl tally add shows in OBS: %s" % client.text(total))
settings_now = client.must("GetInputSettings", {"inputName": total})["inputSettings"]
check(settings_now["font"]["size"] == 71, "the host's font is kept")
check(client.text("Glimmerhall · Quorvane · 相差") == "相差：1.23万", "the difference follows")


def enabled(title):
    for item in client.items(scene):
        if item["sourceName"] == "Glimmerhall · " + title:
            return item["sceneItemEnabled"]
    return None


# Hidden with its window, shown again when it opens.
subprocess.run([x11_close, "Vessmoor", "10"], env=environment)
check(wait_until(lambda: enabled("Vessmoor") is False, 10) is not None, "a closed game is hidden")
check(enabled("Quorvane") is True, "the others stay shown")
ctl("open", "dice")
check(wait_until(lambda: enabled("Vessmoor") is True, 10) is not None, "an opened game is shown")

# OBS goes away mid-PK and comes back; the program finds it again.
session.stop_obs()
code, out = ctl("obs", "status")
check(code == 1, "status says OBS is gone: " + out.strip())
client = session.start_obs()
check(connected(), "the connection returns after OBS restarts")
ctl("tally", "add", "1", "100000")
check(wait_until(lambda: client.text(total) == "11.23万", 15) is not None,
      "updates go on after the restart: %s" % client.text(total))

# Removal takes ours and nothing else.
code, out = ctl("obs", "remove")
check(code == 0, "remove: " + out.strip().replace("\n", " "))


def names_in_obs():
    return ([i["inputName"] for i in client.must("GetInputList")["inputs"]] +
            [s["sceneName"] for s in client.must("GetSceneList")["scenes"]])


# OBS lets go of a removed source when the last reference goes, a moment later.
wait_until(lambda: not any(n.startswith("Glimmerhall") for n in names_in_obs()), 10)
names = names_in_obs()
check(not any(n.startswith("Glimmerhall") for n in names),
      "nothing of ours is left: %s" % [n for n in names if n.startswith("Glimmerhall")])
check("主播的字幕" in names and client.text("主播的字幕") == "关注"
      and any(i["sourceName"] == "主播的字幕" for i in client.items(scene)),
      "the host's own source is left as it was")

session.end()
sys.exit(check.end())
