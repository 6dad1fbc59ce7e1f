"""The real program against the real OBS Studio from Debian (built without the browser source),
both on a private X server inside a private network: the password, the games drawn with OBS's
own sources, live updates, hiding with the window, OBS restarted, setup run twice, and
removal that leaves the host's own sources.

    program_obs.py PROGRAM_FOLDER X11_CLOSE
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from obs_client import ObsClient, ObsError  # noqa: E402

if not os.environ.get("GLIMMER_OBS_INSIDE"):
    os.environ["GLIMMER_OBS_INSIDE"] = "1"
    os.execvp("unshare", ["unshare", "--net", "bash", "-c",
                          'ip link set lo up && exec python3 "$0" "$@"', __file__] + sys.argv[1:])

folder, x11_close = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp()
processes = []
failures = []
PASSWORD = "栗子-pw-4455"
PORT = 4455


def check(condition, what):
    print(("ok: " if condition else "FAIL: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_until(test, seconds, step=0.1):
    """A guard against a hang, not a timing: the result of test once true, or None."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = test()
        except (OSError, ObsError):
            value = None
        if value:
            return value
        time.sleep(step)
    return None


def start(arguments, log, environment):
    process = subprocess.Popen(arguments, stdout=open(log, "w"), stderr=subprocess.STDOUT,
                               env=environment)
    processes.append(process)
    return process


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(20)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# A private X server at the size of a streaming canvas.
display_file = os.path.join(work, "display")
with open(display_file, "w") as out:
    processes.append(subprocess.Popen(
        ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1920x1080x24", "-nolisten",
         "tcp"], pass_fds=(out.fileno(),), stderr=subprocess.DEVNULL))
wait_until(lambda: open(display_file).read().strip(), 30)
display = ":" + open(display_file).read().strip()

obs_home = os.path.join(work, "obs-home")
os.makedirs(os.path.join(obs_home, ".config", "obs-studio"))
with open(os.path.join(obs_home, ".config", "obs-studio", "global.ini"), "w") as ini:
    ini.write("[General]\nFirstRun=true\n[BasicWindow]\nSysTrayEnabled=false\n"
              "[OBSWebSocket]\nFirstLoad=false\nServerEnabled=true\nServerPort=%d\n"
              "AlertsEnabled=false\nAuthRequired=true\nServerPassword=%s\n" % (PORT, PASSWORD))
obs_environment = dict(os.environ, DISPLAY=display, HOME=obs_home, LIBGL_ALWAYS_SOFTWARE="1",
                       XDG_CONFIG_HOME=os.path.join(obs_home, ".config"))


def start_obs():
    obs = start(["obs", "--disable-updater", "--disable-shutdown-check", "--minimize-to-tray"],
                os.path.join(work, "obs.log"), obs_environment)
    client = wait_until(lambda: ObsClient(PORT, PASSWORD), 90, 0.5)
    if client is None:
        print(open(os.path.join(work, "obs.log")).read()[-3000:])
        sys.exit("FAIL: OBS never answered")
    return obs, client


obs, client = start_obs()
scene = client.must("GetCurrentProgramScene")["currentProgramSceneName"]
check("browser_source" not in client.must("GetInputKindList")["inputKinds"],
      "this OBS has no browser source")
# The host's own things, which the program must leave as they are.
client.must("CreateInput", {"sceneName": scene, "inputName": "主播的字幕",
                            "inputKind": "text_ft2_source_v2", "inputSettings": {"text": "关注"}})

bin_folder = os.path.join(work, "bin")
os.makedirs(bin_folder)
for name in os.listdir(folder):
    if name in ("glimmerhall", "hostcore.rtl", "glimmer_page_reader") or name.endswith(".so"):
        shutil.copy(os.path.join(folder, name), bin_folder)
program = os.path.join(bin_folder, "glimmerhall")
for sub in ("run", "config/glimmerhall", "home"):
    os.makedirs(os.path.join(work, sub), mode=0o700)
environment = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=os.path.join(work, "run"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), HOME=os.path.join(work, "home"),
                   LANG="zh_CN.UTF-8", QT_LOGGING_RULES="qt.qpa.*=false")
settings = os.path.join(work, "config", "glimmerhall", "settings.ini")


def ctl(*words):
    done = subprocess.run([program, "ctl"] + list(words), capture_output=True, text=True,
                          env=environment, timeout=30)
    return done.returncode, done.stdout + done.stderr


def start_program(password):
    with open(settings, "w") as out:
        out.write("[obs]\naddress=ws://127.0.0.1:%d\npassword=%s\n" % (PORT, password))
    process = start([program], os.path.join(work, "program.log"), environment)
    if not wait_until(lambda: ctl("state")[0] == 0, 30):
        sys.exit("FAIL: the program never answered")
    return process


def connected():
    return wait_until(lambda: ctl("obs", "status")[0] == 0, 30, 0.3)


# The wrong password: said in words, and ctl's refusal status.
program_process = start_program("wrong")
code, out = wait_until(lambda: (lambda r: r if "密码" in r[1] else None)(ctl("obs", "status")), 30, 0.3) or ctl("obs", "status")
check(code == 1 and "不接受这个密码" in out, "a wrong password is refused in words (%d: %s)" % (code, out.strip()))
stop(program_process)

program_process = start_program(PASSWORD)
check(connected() is not None, "the right password connects")
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
client.close()
stop(obs)
code, out = ctl("obs", "status")
check(code == 1, "status says OBS is gone: " + out.strip())
obs, client = start_obs()
check(connected() is not None, "the connection returns after OBS restarts")
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

client.close()
for process in reversed(processes):
    stop(process)
shutil.rmtree(work, ignore_errors=True)
print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
