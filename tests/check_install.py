#!/usr/bin/python3
"""cmake --install as a packager runs it: the window and brenmoor-convert side by side, the
manual page of brenmoor-convert with its commands, formats and exit statuses, and the
installed command line working. The manual page and the manual name every format and
every export option that brenmoor-convert --help names.

    check_install.py CMAKE BUILD_DIR
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

CMAKE, BUILD = sys.argv[1:]
with tempfile.TemporaryDirectory(prefix="brenmoor-install-") as prefix:
    done = subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    for program in ("brenmoor", "brenmoor-convert"):
        path = os.path.join(prefix, "bin", program)
        assert os.access(path, os.X_OK), path

    convert = os.path.join(prefix, "bin", "brenmoor-convert")
    done = subprocess.run([convert, "--help"], capture_output=True, text=True)
    assert done.returncode == 0 and "export [OPTIONS] FORMAT BOOK... FOLDER" in done.stdout, done

    page = os.path.join(prefix, "share", "man", "man1", "brenmoor-convert.1")
    with open(page, encoding="utf-8") as f:
        text = f.read()
    for heading in ("NAME", "SYNOPSIS", "COMMANDS", "FORMATS", "EXIT STATUS"):
        assert ".SH " + heading + "\n" in text, heading
    # Every format export takes, as its usage names them, has its entry.
    usage = subprocess.run([convert, "export", "--help"], capture_output=True, text=True).stdout
    formats = re.findall(r"^  ([a-z][a-z0-9-]*) {2,}\S", usage, re.M)
    assert "csv" in formats and "pst" in formats, usage
    for word in ["list", "show", "export"] + formats:
        assert "\n.B " + word + "\n" in text or "\n.BI " + word in text, word
    # ... and every option and format has its place in the manual page and the manual.
    options = re.findall(r"^  (?:-\w, )?\s*(--[a-z-]+)", usage.split("options:\n")[1], re.M)
    assert "--jobs" in options and "--skip-done" in options, options
    manuals = glob.glob(os.path.join(prefix, "share", "**", "orvelline.html"), recursive=True)
    assert manuals, "the manual is not installed"
    with open(manuals[0], encoding="utf-8") as f:
        manual = f.read()
    for option in options:
        assert option.replace("-", "\\-") in text, option
        assert "<code>" + option in manual, option
    for word in formats:
        assert "<code>" + word + "</code>" in manual, word
    statuses = text.split(".SH EXIT STATUS\n")[1].split(".SH ")[0]
    assert [line for line in statuses.splitlines() if line.startswith(".B ")] == [
        ".B 0", ".B 1", ".B 2", ".B 3"], statuses

    # The page renders without a warning where groff is there to render it.
    if shutil.which("groff"):
        done = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", page], capture_output=True, text=True)
        assert done.returncode == 0 and done.stderr == "", done.stderr
print("cmake --install: both programs and the manual page of brenmoor-convert")
