"""What the Python tests, screenshots and benchmarks share about the program: a copy of a
build of their own (so its configuration folder is theirs alone), its environment, its ctl,
and the checks they print."""
import os
import shutil
import subprocess


def copy_program(program_folder, work, **environment):
    """The copied binary and the environment to run it in, under work; environment adds to
    or replaces the defaults (offscreen, zh_CN)."""
    bin_folder = os.path.join(work, "bin")
    os.makedirs(bin_folder)
    for name in os.listdir(program_folder):
        if name in ("glimmerhall", "hostcore.rtl", "glimmer_page_reader") or name.endswith(".so"):
            shutil.copy(os.path.join(program_folder, name), bin_folder)
    for sub in ("run", "config/glimmerhall", "home"):
        os.makedirs(os.path.join(work, sub), mode=0o700)
    settings = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                    XDG_RUNTIME_DIR=os.path.join(work, "run"),
                    XDG_CONFIG_HOME=os.path.join(work, "config"),
                    HOME=os.path.join(work, "home"), LANG="zh_CN.UTF-8",
                    QT_LOGGING_RULES="qt.qpa.*=false")
    settings.update(environment)
    return os.path.join(bin_folder, "glimmerhall"), settings


def run_ctl(binary, environment, *words):
    done = subprocess.run([binary, "ctl"] + list(words), capture_output=True, text=True,
                          env=environment, timeout=30)
    return done.returncode, (done.stdout + done.stderr).strip()


class Checks:
    """Prints each check as it goes; failed() says whether any failed."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, what):
        print(("ok: " if condition else "FAIL: ") + what, flush=True)
        if not condition:
            self.failures.append(what)
        return condition

    def end(self):
        print("%d failure(s)" % len(self.failures))
        return 1 if self.failures else 0
