#!/usr/bin/python3
"""Folders handed over on the command line, as a file manager hands them over.

Starts the program with folders (one relative, one whose name is not valid
UTF-8, one whose name begins with a dash after "--"), a file, a missing path
and an empty argument: the folders must arrive in the folder list in their
order, the rest be named in one box once the window shows, and the stored
phrase and last picked folder stay as they were. A
search then shows its count on the dock: the LauncherEntry signals on the
session bus, read with dbus-monitor, end with the result count hidden. The
options are checked without a window. Run it under a D-Bus session and an X
server of its own:

    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \\
        /usr/bin/python3 tests/e2e/command_line_folders.py --exe build/scrivlist
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

from window_driver import FOLDER_HEADER, MESSAGE_TITLE, DriverFailure, Session, read_settings

CAPTION = "Scrivlist Software"
SECTION = "Scrivlist%20Software"
PHRASE = "keep"
LAST_FOLDER = "/nowhere/picked/last"
OVERALL_LIMIT_SECONDS = 90
UPDATE = "interface=com.canonical.Unity.LauncherEntry; member=Update"


def overtime(_signal, _frame):
    raise DriverFailure(f"the drive took longer than {OVERALL_LIMIT_SECONDS} s")


def make_file(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as file:
        file.write("x\n")


def check_options(session):
    """--help and --version print and end; a stranger is refused without a window."""
    for option in ("--help", "--version"):
        done = subprocess.run([session.exe, option], env=session.environment(), capture_output=True, timeout=10)
        if done.returncode != 0 or not done.stdout or done.stderr:
            raise DriverFailure(f"{option} gave {done.returncode}, {done.stdout!r}, {done.stderr!r}")
    done = subprocess.run([session.exe, "--no-such-option"], env=session.environment(), capture_output=True,
                          timeout=10)
    lines = done.stderr.decode().splitlines()
    if done.returncode != 2 or done.stdout or len(lines) != 1 or "--no-such-option" not in lines[0]:
        raise DriverFailure(f"an unknown option gave {done.returncode}, {done.stdout!r}, {done.stderr!r}")


class BusMonitor:
    """dbus-monitor on the session bus, its output in a file."""

    def __init__(self, path):
        self.path = path
        self.log = open(path, "wb")
        self.process = subprocess.Popen(["dbus-monitor", "--session"], stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        # It names itself on the bus first.
        while os.path.getsize(path) == 0:
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise DriverFailure("dbus-monitor did not start")
            time.sleep(0.05)

    def updates(self):
        """(count, count-visible) of each LauncherEntry update so far."""
        with open(self.path, encoding="utf-8", errors="replace") as log:
            blocks = re.split(r"\n(?=\S)", log.read())
        found = []
        for block in blocks:
            if UPDATE not in block:
                continue
            count = re.search(r'string "count"\s+variant\s+int64 (\d+)', block)
            visible = re.search(r'string "count-visible"\s+variant\s+boolean (\w+)', block)
            uri = re.search(r'string "(application://[^"]*)"', block)
            if count is None or visible is None or uri is None:
                raise DriverFailure(f"an update without its count: {block}")
            if uri.group(1) != "application://example.quillmark.Scrivlist.desktop":
                raise DriverFailure(f"an update for {uri.group(1)}")
            found.append((int(count.group(1)), visible.group(1) == "true"))
        return found

    def stop(self):
        self.process.terminate()
        self.process.wait(5)
        self.log.close()


def drive(session, monitor):
    check_options(session)
    alpha = session.folder("alpha")
    spaced = session.folder("with space")
    dashed = session.folder("-dash")
    relative = session.folder("home", "rel")
    make_file(os.path.join(alpha, "keep-a.txt"))
    make_file(os.path.join(dashed, "sub", "Keep-b.txt"))
    make_file(os.path.join(relative, "nothing.txt"))
    # Passed and walked as its bytes; shown with a stand-in for the byte that is no UTF-8.
    not_utf8 = os.path.join(os.fsencode(session.root), b"bad\xffdir")
    not_utf8_shown = os.path.join(session.root, "bad\ufffddir")
    make_file(os.path.join(not_utf8, b"keep-c.txt"))
    a_file = os.path.join(session.root, "a file.txt")
    make_file(a_file)
    missing = os.path.join(session.root, "missing")
    with open(session.settings_file, "w", encoding="utf-8") as settings:
        settings.write(f"[{SECTION}]\nText1={PHRASE}\nLastFolder={LAST_FOLDER}\n")

    # The working folder is home, so "rel" is found there.
    window = session.start(CAPTION, [alpha, missing, spaced + "/", "", "rel", a_file, not_utf8, "--", dashed])
    box = window.wait_for_message(MESSAGE_TITLE, f'Not a folder: {missing}\n"" (an empty argument)\n{a_file}')
    window.dismiss(box)
    folders = window.tables()[FOLDER_HEADER]
    rows = [folders.get_accessible_at(row, 0).get_name() for row in range(folders.get_n_rows())]
    if rows != [alpha, spaced, relative, not_utf8_shown, dashed]:
        raise DriverFailure(f"the folder list holds {rows}")
    stored = read_settings(session.settings_file, SECTION)
    if stored.get("Text1") != PHRASE or stored.get("LastFolder") != LAST_FOLDER:
        raise DriverFailure(f"the settings changed: {stored}")
    if monitor.updates():
        raise DriverFailure("the dock was updated before any search")

    found = sorted(line for line, _ in window.search())
    expected = sorted([os.path.join(alpha, "keep-a.txt"), os.path.join(not_utf8_shown, "keep-c.txt"),
                       os.path.join(dashed, "sub", "Keep-b.txt")])
    if found != expected:
        raise DriverFailure(f"the search listed {found}, expected {expected}")
    # The last update hides the count of the three lines found.
    updates = window.wait("the dock's last update",
                          lambda: monitor.updates()[-1:] == [(3, False)] and monitor.updates())
    if not updates[0][1]:
        raise DriverFailure(f"the dock never showed the count: {updates}")
    window.request_close()
    window.wait_exit()
    return rows, updates


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the built program")
    args = parser.parse_args()
    session = Session(args.exe)
    monitor = BusMonitor(os.path.join(session.root, "bus.log"))
    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(OVERALL_LIMIT_SECONDS)
    try:
        rows, updates = drive(session, monitor)
    except DriverFailure as failure:
        print(f"FAILED: {failure}", flush=True)
        print(session.program_logs(), flush=True)
        return 1
    finally:
        signal.alarm(0)
        monitor.stop()
        session.close()
    print("the folder list held:", *rows, sep="\n  ")
    print(f"the dock saw {len(updates)} updates, the last {updates[-1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
