#!/usr/bin/env python3
"""Fails when a text marked for translation has no translation in every language.

  check_translations.py LUPDATE TRANSLATIONS_DIR SOURCE_LIST

Runs lupdate over the sources the build gathers texts from (SOURCE_LIST, one a line, as
CMake writes it) into copies of the .ts files, as `update_translations` would: a text marked since the last update comes in unfinished, a
text no longer marked comes in vanished. Either, or an empty translation, fails.
"""
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

lupdate, translations, sources = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
problems = []
with tempfile.TemporaryDirectory() as work:
    for ts in sorted(translations.glob("*.ts")):
        copy = Path(work) / ts.name
        shutil.copy(ts, copy)
        run = subprocess.run([lupdate, "-silent", "-locations", "none",
                              "-tr-function-alias", "translate+=translated", "@" + sources,
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
