#!/usr/bin/env python3
"""Fails when a text marked for translation has no translation in every language.

  check_translations.py LUPDATE SOURCE_DIR

Runs lupdate over the program's sources into copies of translations/*.ts, as
`update_translations` would: a text marked since the last update comes in unfinished, a
text no longer marked comes in vanished. Either, or an empty translation, fails.
"""
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

lupdate, source = sys.argv[1], Path(sys.argv[2])
folders = [str(source / name) for name in ("runtime", "shell", "hostcore", "games")]
# The windows added beside the design (the designed ones keep their words).
folders += [str(source / "games/tally" / name)
            for name in ("tally_history_window.ui", "tally_setup_dialog.ui")]
problems = []
with tempfile.TemporaryDirectory() as work:
    for ts in sorted((source / "translations").glob("*.ts")):
        copy = Path(work) / ts.name
        shutil.copy(ts, copy)
        run = subprocess.run([lupdate, "-silent", "-extensions", "cpp", "-locations", "none",
                              "-tr-function-alias", "translate+=translated", *folders,
                              "-ts", str(copy)], capture_output=True, text=True)
        if run.returncode != 0:
            problems.append(f"{ts.name}: lupdate failed: {run.stderr.strip()}")
            continue
        for context in ET.parse(copy).getroot().iter("context"):
            name = context.findtext("name")
            for message in context.iter("message"):
                text = message.findtext("source")
                translation = message.find("translation")
                kind = translation.get("type") if translation is not None else "missing"
                if kind in ("unfinished", "vanished", "obsolete", "missing"):
                    problems.append(f"{ts.name}: [{name}] {kind}: {text!r}")
                elif not (translation.text or "").strip():
                    problems.append(f"{ts.name}: [{name}] empty: {text!r}")
for problem in problems:
    print(problem)
print(f"{len(problems)} text(s) without a translation" if problems else "every text translated")
sys.exit(1 if problems else 0)
