#!/usr/bin/python3
"""A share reached through a link on the home disk stops answering.

A FUSE stand-in (scrivlist-slowfs --hang-list stuck) mirrors a folder at a mount
point, and a listing of its folder "stuck" never answers; home/nas links to the
mount point, as people reach a share. The program starts with home/nas and a
local folder on the command line. A search goes into the share, waits on the
hung folder and is stopped; the share's entry is removed and the local folder
searched: every file is listed and no box shows, since the thread stuck in the
share counts against the share, never against the home disk. Then the window is
closed: it leaves the screen at once, although that thread keeps the process in
the kernel until the stand-in is killed, and then the process ends. Run it under
a D-Bus session and an X server of its own:

    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \\
        /usr/bin/python3 tests/e2e/hung_share.py --exe build/scrivlist --slowfs build/bench/scrivlist-slowfs
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time
import traceback

from Xlib.error import XError
from window_driver import (FOLDER_HEADER, MESSAGE_TITLE, Atspi, DriverFailure, Session, Steps, click, click_at,
                           expect, press, press_keys, table_rows, wait_until)

CAPTION = "Scrivlist Software"
PHRASE = ".txt"
OVERALL_LIMIT_SECONDS = 90
SKIPPED = 77  # where FUSE cannot mount

SHARE = {"": ["top.txt"], "a": ["share1.txt"], "stuck": ["never.txt"], "z": ["after.txt"]}
LOCAL = {"": ["local1.txt", "local2.txt"], "sub": ["local3.txt"]}


def overtime(_signal, _frame):
    raise DriverFailure(f"the drive took longer than {OVERALL_LIMIT_SECONDS} s")


def make_tree(root, tree):
    for folder, names in tree.items():
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name in names:
            with open(os.path.join(root, folder, name), "w", encoding="utf-8") as file:
                file.write(name)


def result_names(window):
    return sorted(os.path.basename(text) for text, _ in window.results())


def remove_first_folder(window, kept):
    """Selects the folder list's first line with a click and removes it with Delete."""
    folders = window.tables()[FOLDER_HEADER]
    box = folders.get_accessible_at(0, 0).get_extents(Atspi.CoordType.SCREEN)
    click_at(box.x + box.width // 2, box.y + box.height // 2)
    window.focus()
    press_keys("Delete")
    window.wait(f"the folder list to hold {kept} only", lambda: table_rows(folders) == [(kept, False)])


def drive(session, stand_in, mount, steps):
    nas = os.path.join(session.home, "nas")
    os.symlink(mount, nas)
    local = session.folder("home", "Reports")
    make_tree(local, LOCAL)

    steps("start with the share, through its link, and a local folder")
    window = session.start(CAPTION, ["--", nas, local])
    window.type_pattern(PHRASE)

    steps("search: the walk goes into the share and waits on its hung folder; Stop")
    click(window.button("Start Searching"))
    window.wait("the share's first file", lambda: "top.txt" in result_names(window))
    time.sleep(1.0)  # the walk waits on the hung listing, the window stays live
    expect("never.txt" not in result_names(window), f"the hung folder was listed: {result_names(window)}")
    press(window.button("Stop"))  # where Start Searching was: the pointer is there already
    window.dismiss(window.wait_for_message(MESSAGE_TITLE, "Done."))

    steps("remove the share's entry and search the local folder: every file, no box")
    remove_first_folder(window, local)
    click(window.button("Clear Results"))
    window.wait("the result list to empty", lambda: not window.results())
    names = sorted(os.path.basename(text) for text, _ in window.search())
    wanted = sorted(name for names in LOCAL.values() for name in names)
    expect(names == wanted, f"the local search listed {names}, expected {wanted}")

    steps("close the window: it leaves the screen at once, while a thread is stuck in the share")
    def showing():
        try:
            return session.x.find_window(window.pid, CAPTION) is not None
        except XError:
            return True  # a window went away while it was read: ask again

    closed = time.monotonic()
    window.request_close()
    wait_until("the window to leave the screen", lambda: not showing(), timeout=3.0)
    print(f"window gone after {time.monotonic() - closed:.2f} s; the process "
          + ("still waits in the kernel" if window.process.poll() is None else "has ended"), flush=True)

    steps("kill the stand-in: the stuck call returns and the process ends")
    stand_in.kill()
    stand_in.wait(10)
    code = window.wait_exit()
    expect(code == 0, f"the program ended with exit code {code}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the built program")
    parser.add_argument("--slowfs", required=True, help="the built FUSE stand-in, scrivlist-slowfs")
    args = parser.parse_args()
    if not os.path.exists("/dev/fuse") or shutil.which("fusermount3") is None or not os.path.exists(args.slowfs):
        print("FUSE cannot mount here (it needs /dev/fuse, fusermount3 and scrivlist-slowfs); skipped", flush=True)
        return SKIPPED

    steps = Steps()
    session = Session(args.exe)
    source = session.folder("share-source")
    make_tree(source, SHARE)
    mount = session.folder("mnt", "nas")
    stand_in = subprocess.Popen([os.path.abspath(args.slowfs), source, mount, "--hang-list", "stuck", "-f"])
    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(OVERALL_LIMIT_SECONDS)
    try:
        wait_until("the stand-in to mount", lambda: os.path.ismount(mount) or stand_in.poll() is not None)
        if not os.path.ismount(mount):
            print(f"the stand-in could not mount (exit code {stand_in.returncode}); skipped", flush=True)
            return SKIPPED
        drive(session, stand_in, mount, steps)
    except Exception as failure:
        if not isinstance(failure, DriverFailure):
            traceback.print_exc()
        print(f"FAILED at '{steps.current}': {failure}", flush=True)
        print(session.program_logs(), flush=True)
        return 1
    finally:
        signal.alarm(0)
        if stand_in.poll() is None:
            stand_in.kill()
            stand_in.wait(10)
        subprocess.run(["fusermount3", "-u", "-z", mount], capture_output=True, timeout=10)
        session.close()
    print(f"passed in {time.monotonic() - steps.started:.1f} s", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
