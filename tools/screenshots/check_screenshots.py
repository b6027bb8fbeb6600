#!/usr/bin/env python3
"""Runs the screenshot program into a folder and checks what it wrote, without comparing pixels.

    check_screenshots.py PROGRAM FOLDER SOURCE_DIR

Every expected picture must be a PNG file of the size of its window; the message boxes, whose
size follows their text, only need a plausible size. Every picture the guide and the README
show must be one the program makes, and the program must make no other.
"""
import pathlib
import re
import shutil
import struct
import subprocess
import sys

MAIN_WINDOW = (420, 361)
COMBINATIONS_WINDOW = (513, 355)
INFO_DIALOG = (435, 132)
UPDATE_WIZARD = (658, 353)
MESSAGE_BOX = None

EXPECTED = {
    "start.png": MAIN_WINDOW,
    "info.png": INFO_DIALOG,
    "sammeln.png": MAIN_WINDOW,
    "einstellungen.png": MAIN_WINDOW,
    "vergleich.png": MAIN_WINDOW,
    "vergleich-auswahl.png": MAIN_WINDOW,
    "ergebnis.png": MAIN_WINDOW,
    # "Ende", "Startbildschirm" and the save button: 8 + 81 + 7 + 81 + 7 + 27 + 8 pixels wide,
    # 8 + 25 + 8 high.
    "speichern.png": (219, 41),
    "kombinationen.png": COMBINATIONS_WINDOW,
    "diagramm.png": COMBINATIONS_WINDOW,
    "diagramm-sortiert.png": COMBINATIONS_WINDOW,
    "update-willkommen.png": UPDATE_WIZARD,
    "update-einstellungen.png": UPDATE_WIZARD,
    "deinstallieren-frage.png": MESSAGE_BOX,
    "deinstallieren-fertig.png": MESSAGE_BOX,
}

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(path):
    data = path.read_bytes()
    if len(data) < 33 or data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        raise ValueError("not a PNG file")
    if not data.rstrip(b"\0").endswith(b"IEND\xaeB`\x82"):
        raise ValueError("PNG file without its end")
    return struct.unpack(">II", data[16:24])


def pictures_in(text):
    return set(re.findall(r"images/([A-Za-z0-9_.-]+\.png)", text))


def main():
    program, folder, source = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    shutil.rmtree(folder, ignore_errors=True)
    project = folder / "Urlaubsziel.opt"
    run = subprocess.run([program, str(folder), "--project", str(project)],
                         capture_output=True, text=True, timeout=120)
    sys.stdout.write(run.stdout)
    sys.stderr.write(run.stderr)
    faults = []
    if run.returncode != 0:
        faults.append(f"the program ended with {run.returncode}")
    if not project.is_file() or project.stat().st_size == 0:
        faults.append("the project file was not saved")

    for name, size in EXPECTED.items():
        path = folder / name
        if not path.is_file():
            faults.append(f"{name}: missing")
            continue
        try:
            width, height = png_size(path)
        except ValueError as e:
            faults.append(f"{name}: {e}")
            continue
        if size is None:
            if not (150 <= width <= 800 and 60 <= height <= 400):
                faults.append(f"{name}: a message box of {width}x{height}")
        elif (width, height) != size:
            faults.append(f"{name}: {width}x{height}, expected {size[0]}x{size[1]}")
    written = {p.name for p in folder.glob("*.png")}
    for extra in sorted(written - EXPECTED.keys()):
        faults.append(f"{extra}: written but not expected")

    for document in ("docs/Anleitung.md", "README.md"):
        shown = pictures_in((source / document).read_text(encoding="utf-8"))
        for name in sorted(shown - EXPECTED.keys()):
            faults.append(f"{document} shows {name}, which the program does not make")
    guide = pictures_in((source / "docs/Anleitung.md").read_text(encoding="utf-8"))
    for name in sorted(EXPECTED.keys() - guide):
        faults.append(f"docs/Anleitung.md does not show {name}")

    for fault in faults:
        print("FAIL", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
