"""The real OBS Studio and the real program side by side, for the OBS test, the OBS
screenshots and the OBS benchmark: a private X server at the size of a streaming canvas, OBS
with its WebSocket server on, and a copy of the program, all inside a private network.

    session = ObsSession(program_folder)   # re-enters itself under `unshare --net` first
    session.start_obs(); session.start_program(password)
    session.ctl("obs", "setup"); session.client.text("Glimmerhall · Quorvane · 玩家一总数")
    session.end()
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from obs_client import ObsClient, ObsError
from program_copy import copy_program, run_ctl

PORT = 4455
PASSWORD = "栗子-pw-4455"


def in_private_network():
    """Runs the calling script again inside a private network, once."""
    if not os.environ.get("GLIMMER_OBS_INSIDE"):
        os.environ["GLIMMER_OBS_INSIDE"] = "1"
        script = os.path.abspath(sys.argv[0])
        os.execvp("unshare", ["unshare", "--net", "bash", "-c",
                              'ip link set lo up && exec python3 "$0" "$@"', script] + sys.argv[1:])


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


class ObsSession:
    def __init__(self, program_folder, locale="zh_CN.UTF-8"):
        self.work = tempfile.mkdtemp()
        self.processes = []
        self.client = None
        self.obs = None
        self.program = None
        display_file = os.path.join(self.work, "display")
        with open(display_file, "w") as out:
            self.processes.append(subprocess.Popen(
                ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1920x1080x24",
                 "-nolisten", "tcp"], pass_fds=(out.fileno(),), stderr=subprocess.DEVNULL))
        if not wait_until(lambda: open(display_file).read().strip(), 30):
            sys.exit("FAIL: Xvfb did not start")
        self.display = ":" + open(display_file).read().strip()
        obs_home = os.path.join(self.work, "obs-home")
        os.makedirs(os.path.join(obs_home, ".config", "obs-studio"))
        with open(os.path.join(obs_home, ".config", "obs-studio", "global.ini"), "w") as ini:
            ini.write("[General]\nFirstRun=true\n[BasicWindow]\nSysTrayEnabled=false\n"
                      "[OBSWebSocket]\nFirstLoad=false\nServerEnabled=true\nServerPort=%d\n"
                      "AlertsEnabled=false\nAuthRequired=true\nServerPassword=%s\n"
                      % (PORT, PASSWORD))
        self.obs_environment = dict(os.environ, DISPLAY=self.display, HOME=obs_home,
                                    LIBGL_ALWAYS_SOFTWARE="1",
                                    XDG_CONFIG_HOME=os.path.join(obs_home, ".config"))
        self.binary, self.environment = copy_program(program_folder, self.work,
                                                     DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                                                     LANG=locale)
        self.settings = os.path.join(self.work, "config", "glimmerhall", "settings.ini")

    def _start(self, arguments, log, environment):
        process = subprocess.Popen(arguments, stdout=open(os.path.join(self.work, log), "w"),
                                   stderr=subprocess.STDOUT, env=environment)
        self.processes.append(process)
        return process

    def start_obs(self):
        self.obs = self._start(["obs", "--disable-updater", "--disable-shutdown-check",
                                "--minimize-to-tray"], "obs.log", self.obs_environment)
        self.client = wait_until(lambda: ObsClient(PORT, PASSWORD), 90, 0.5)
        if self.client is None:
            print(open(os.path.join(self.work, "obs.log")).read()[-3000:])
            sys.exit("FAIL: OBS never answered")
        return self.client

    def stop_obs(self):
        self.client.close()
        self.stop(self.obs)

    def ctl(self, *words):
        return run_ctl(self.binary, self.environment, *words)

    def start_program(self, password=PASSWORD, arguments=()):
        with open(self.settings, "w") as out:
            out.write("[obs]\naddress=ws://127.0.0.1:%d\npassword=%s\n" % (PORT, password))
        self.program = self._start([self.binary] + list(arguments), "program.log",
                                   self.environment)
        if not wait_until(lambda: self.ctl("state")[0] == 0, 30):
            sys.exit("FAIL: the program never answered")

    def connected(self):
        return wait_until(lambda: self.ctl("obs", "status")[0] == 0, 30, 0.3) is not None

    @staticmethod
    def stop(process):
        if process is not None and process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(20)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def end(self):
        if self.client is not None:
            self.client.close()
        for process in reversed(self.processes):
            self.stop(process)
        shutil.rmtree(self.work, ignore_errors=True)
