#!/usr/bin/python3
"""The built program on Qt's native Wayland platform, under a headless compositor.

Start, add a folder through the picker, type the phrase, search, save, all
through the accessibility bus: a headless compositor has no seat, so nothing
can click or type. The clipboard and drags need a seat and are checked in the
X11 run. Run it under a D-Bus session of its own, with weston installed:

    dbus-run-session -- /usr/bin/python3 tests/e2e/wayland_request.py --exe build/scrivlist
"""

import argparse
import os
import signal
import subprocess
import sys
import time

from window_driver import (FOLDER_HEADER, MESSAGE_TITLE, Atspi, DriverFailure, Session, Steps, expect, fill, find_one,
                           press, read_settings, table_rows, text_of, wait_until)

CAPTION = "Scrivlist Software"
SECTION = "Scrivlist%20Software"
SOCKET = "wayland-scrivlist-e2e"
PHRASE = "report"
FILES = ["Report-1.txt", "annual report.md", "notes.txt"]  # the first two hold the phrase, ignoring case
OVERALL_LIMIT_SECONDS = 90


def overtime(_signal, _frame):
    raise DriverFailure(f"the drive took longer than {OVERALL_LIMIT_SECONDS} s")


def weston_command(runtime):
    """Weston 10 names its modules by file (headless-backend.so); later ones by short names."""
    usage = subprocess.run(["weston", "--help"], capture_output=True, text=True, timeout=10).stdout
    by_file = "headless-backend.so" in usage
    return ["weston", "--no-config", "--socket=" + SOCKET, "--width=1280", "--height=1024",
            "--backend=" + ("headless-backend.so" if by_file else "headless"),
            "--shell=" + ("kiosk-shell.so" if by_file else "kiosk")], os.path.join(runtime, SOCKET)


def start_compositor(session):
    command, socket = weston_command(session.runtime)
    env = dict(os.environ, XDG_RUNTIME_DIR=session.runtime)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    log = open(os.path.join(session.root, "weston.log"), "wb")
    compositor = subprocess.Popen(["setpriv", "--pdeathsig", "KILL", "--"] + command, env=env, stdout=log,
                                  stderr=subprocess.STDOUT)
    log.close()

    def listening():
        if compositor.poll() is not None:
            raise DriverFailure(f"weston ended with {compositor.returncode}: {compositor_log(session)}")
        return os.path.exists(socket)
    wait_until("weston's socket", listening, timeout=15.0)
    return compositor


def compositor_log(session):
    with open(os.path.join(session.root, "weston.log"), "rb") as log:
        return log.read().decode(errors="replace")


def drive(session, steps):
    root = session.folder("files", "Wayland")
    for name in FILES:
        with open(os.path.join(root, name), "w", encoding="utf-8") as file:
            file.write(name)
    saved = os.path.join(session.folder("out"), "results.txt")

    steps("start on the wayland platform")
    window = session.start(CAPTION)
    steps("add a folder through the picker")
    press(window.button("Add Folder to Search"))
    window.answer_dialog_by_bus("Please select folder:", root, "Choose")
    folders = window.tables()[FOLDER_HEADER]
    window.wait(f"the folder list to read {root}", lambda: table_rows(folders) == [(root, False)])
    steps("type the phrase")
    pattern = window.control(Atspi.Role.TEXT)
    fill(pattern, PHRASE)
    window.wait(f"the pattern box to read {PHRASE}", lambda: text_of(pattern) == PHRASE)
    window.wait("the phrase in the settings file",
                lambda: (read_settings(session.settings_file, SECTION) or {}).get("Text1") == PHRASE)
    steps("search")
    press(window.button("Start Searching"))
    done = window.wait_for_message(MESSAGE_TITLE, "Done.", timeout=30.0)
    press(find_one(done, Atspi.Role.PUSH_BUTTON, "OK"))
    window.wait_window_gone(MESSAGE_TITLE)
    lines = sorted(line for line, _ in window.results())
    wanted = sorted(os.path.join(root, name) for name in FILES if PHRASE in name.lower())
    expect(lines == wanted, f"the search listed {lines}, expected {wanted}")
    steps("save as a text file")
    press(window.button("Save Results As Text File"))
    window.answer_dialog_by_bus("Save", saved, "Save")

    def written():
        try:
            with open(saved, "rb") as file:
                return sorted(file.read().split(b"\r\n")[:-1]) == [line.encode() for line in wanted]
        except FileNotFoundError:
            return False
    window.wait(f"the saved file {saved} to hold the results", written)
    steps("done")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the built program")
    args = parser.parse_args()

    steps = Steps()
    session = Session(args.exe, platform="wayland", wayland_display=SOCKET)
    compositor = None
    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(OVERALL_LIMIT_SECONDS)
    try:
        compositor = start_compositor(session)
        drive(session, steps)
    except DriverFailure as failure:
        print(f"FAILED at '{steps.current}': {failure}", flush=True)
        print(session.program_logs(), flush=True)
        if compositor is not None:
            print("--- weston ---\n" + compositor_log(session), flush=True)
        return 1
    finally:
        signal.alarm(0)
        for window in session.windows:
            window.stop()
        if compositor is not None:
            compositor.terminate()
            compositor.wait(5)
        session.close()
    print(f"passed in {time.monotonic() - steps.started:.1f} s", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
