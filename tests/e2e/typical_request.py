#!/usr/bin/python3
"""One person's session with the built program in a real window.

Start, add a folder through the picker, skip the folders of one name from the
folder list's menu, search, tick two results, copy them, copy them as files
from the result list's menu, save them, trim them, undo the trim with Ctrl+Z and
redo it from the result list's menu, save over the file, sort the lines and
search again to remove the duplicate lines from that menu, undoing each with
Ctrl+Z, press Ctrl+Z during a
long save to a slow disk, change the choices, close the window, and start again
to find the choices restored. Run it under a D-Bus session and an X server of
its own:

    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \\
        /usr/bin/python3 tests/e2e/typical_request.py --exe build/scrivlist --artifacts build/artifacts \\
        --slowfs build/bench/scrivlist-slowfs
"""

import argparse
import os
import signal
import subprocess
import sys
import time
import traceback
import urllib.parse

from window_driver import (FOLDER_HEADER, MESSAGE_TITLE, RESULT_HEADER, Atspi, DriverFailure, Session, Steps, centre,
                           click, click_at, expect, is_checked, move_pointer, press_keys, read_clipboard, read_settings,
                           table_rows, text_of, wait_until)

CAPTION = "Scrivlist Software"
SECTION = "Scrivlist%20Software"
COPIED = ("Results have been copied to the clipboard.\n\n"
          "Click a text area where you normally type and press Ctrl+V to paste the clipboard.")
PHRASE = "*.txt"           # the asterisk is ignored
REMOVE_PHRASE = "DRAFT"    # matched ignoring case
SKIPPED_NAME = "node_modules"
CRLF = b"\r\n"
OVERALL_LIMIT_SECONDS = 120  # well inside the test's own time limit, so cleaning up still happens
# The long save: lines of about 250 bytes, 7 MB in all, well beyond the 4 MiB the save's writer queues, to a
# disk that writes 1,000 kB/s, so the window still reads the list for about 3 s while the disk is busy.
LONG_SAVE_FILES = 28000
WRITER_QUEUE_BYTES = 4 << 20
SLOW_DISK_KBPS = 1000

# Files under the searched folder; the ones whose names contain ".txt" in any case are found.
TREE = {
    "": ["alpha.txt", "Beta.TXT", "notes.md", "draft-plan.txt", "café-menu.txt"],
    "sub": ["gamma.txt", "Draft-old.txt", "picture.png"],
    "sub/deeper": ["delta.txt", "readme"],
    # Skipped by name, at two depths.
    "node_modules": ["left-out.txt"],
    "sub/deeper/node_modules": ["left-out-too.txt"],
}


def overtime(_signal, _frame):
    raise DriverFailure(f"the whole drive took longer than {OVERALL_LIMIT_SECONDS} s")


def make_tree(root):
    for folder, names in TREE.items():
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name in names:
            with open(os.path.join(root, folder, name), "w", encoding="utf-8") as file:
                file.write(name)


def expected_results(root):
    found = []
    for folder, names in TREE.items():
        if SKIPPED_NAME in folder.split("/"):
            continue
        base = os.path.join(root, folder) if folder else root
        found += [os.path.join(base, name) for name in names if ".txt" in name.lower()]
    return found


def as_bytes(lines):
    return b"".join(line.encode("utf-8") + CRLF for line in lines)


def wait_settings(session, window, wanted):
    def holds():
        values = read_settings(session.settings_file, SECTION) or {}
        return all(values.get(key) == value for key, value in wanted.items())
    window.wait(f"the settings file to hold {wanted}", holds)


def wait_file(window, path, content, what):
    def written():
        try:
            with open(path, "rb") as file:
                return file.read() == content
        except FileNotFoundError:
            return False
    try:
        window.wait(what, written)
    except DriverFailure:
        actual = open(path, "rb").read() if os.path.exists(path) else None
        raise DriverFailure(f"{what}: expected {content!r}, the file holds {actual!r}") from None


def check_first_start(session, window):
    expect(session.x.caption(window.x_window) == CAPTION, "the window caption is not " + CAPTION)
    wait_settings(session, window, {"Option": "1", "Text1": ""})
    expect(is_checked(window.control(Atspi.Role.CHECK_BOX, "Search in subfolders also")),
           "Check5 is not ticked on a first start")
    expect(is_checked(window.control(Atspi.Role.RADIO_BUTTON, "Path and Filename")),
           "Path and Filename is not selected on a first start")
    expect(text_of(window.control(Atspi.Role.TEXT)) == "", "the pattern box is not empty on a first start")
    tables = window.tables()
    expect(sorted(tables) == [FOLDER_HEADER, RESULT_HEADER], f"the list headers are {sorted(tables)}")
    expect(all(table.get_n_rows() == 0 for table in tables.values()), "a list is not empty on a first start")


def add_folder(window, folder):
    window.add_folder(folder)
    rows = table_rows(window.tables()[FOLDER_HEADER])
    expect(rows == [(folder, False)], f"the folder list holds {rows}")


def skip_folders_named(window, root):
    window.choose_from_menu(FOLDER_HEADER, "shift+F10", ["Down", "Down", "Return"])  # "Skip Folders Named..."
    window.wait_for_message(MESSAGE_TITLE, "Skip every folder named: ")
    window.answer_dialog(MESSAGE_TITLE, SKIPPED_NAME)
    wanted = [(root, False), ("-" + SKIPPED_NAME, False)]
    window.wait(f"the folder list to read {wanted}", lambda: table_rows(window.tables()[FOLDER_HEADER]) == wanted)


def type_phrase(session, window):
    window.type_pattern(PHRASE)
    wait_settings(session, window, {"Text1": PHRASE})


def search(window, root, artifacts):
    lines = [text for text, _ in window.search()]
    tables = window.tables()
    expect(FOLDER_HEADER in tables, f"the list headers read {sorted(tables)} after the search")
    window.button("Start Searching")  # the caption is back
    expected = expected_results(root)
    expect(sorted(lines) == sorted(expected), f"the results are {lines}, expected (in any order) {expected}")
    depth = [line.count(os.sep) for line in lines]
    expect(depth == sorted(depth), f"a folder's files do not come before its subfolders' files: {lines}")
    window.screenshot(os.path.join(artifacts, "after-search.png"))
    return lines


def tick_first_and_third(window, lines):
    window.tick([0, 2])
    wanted = [(line, index in (0, 2)) for index, line in enumerate(lines)]
    window.wait("lines 1 and 3 to be ticked", lambda: window.results() == wanted)
    return [lines[0], lines[2]]


def copy_ticked(window, ticked):
    click(window.button("Copy Results To Clipboard"))
    window.dismiss(window.wait_for_message(MESSAGE_TITLE, COPIED))
    clipboard = read_clipboard()
    expect(clipboard == as_bytes(ticked), f"the clipboard holds {clipboard!r}, expected {as_bytes(ticked)!r}")


def copy_ticked_as_files(window, ticked):
    # From the top, Up goes to the last item, "Export List...", then over the greyed Undo and
    # Redo to "Copy Ticked as Files".
    window.choose_from_menu(RESULT_HEADER, "Menu", ["Up", "Up", "Return"])
    wanted = b"".join(b"file://" + urllib.parse.quote(line.encode("utf-8"), safe="/").encode("ascii") + CRLF
                      for line in ticked)

    def uri_list():
        try:
            return read_clipboard("text/uri-list")
        except DriverFailure:
            return None  # the clipboard still holds the copied text only
    uris = window.wait("the clipboard to offer a text/uri-list", uri_list)
    expect(uris == wanted, f"the clipboard's text/uri-list is {uris!r}, expected {wanted!r}")


def save(window, path, lines, overwrite):
    click(window.button("Save Results As Text File"))
    window.answer_dialog("Save", path)
    if overwrite:
        window.dismiss(window.wait_for_message(MESSAGE_TITLE, f"Are you sure you wish to overwrite {path} ?"), "Yes")
    wait_file(window, path, as_bytes(lines), f"the saved file {path}")


def remove_containing(window, lines):
    ticked = {text for text, checked in window.results() if checked}
    click(window.button("Remove Results Containing X"))
    window.wait_for_message(MESSAGE_TITLE, "Remove entries containing: ")
    window.answer_dialog(MESSAGE_TITLE, REMOVE_PHRASE)
    kept = [line for line in lines if REMOVE_PHRASE.lower() not in line.lower()]
    expect(len(kept) < len(lines), "the test tree has no line to remove")
    wanted = [(line, line in ticked) for line in kept]
    window.wait(f"the results without '{REMOVE_PHRASE}' lines, ticks kept", lambda: window.results() == wanted)
    return kept


def keyboard_to_first_result(window):
    """A click on the first result line's text: the list takes the keyboard, no tick changes."""
    box = window.tables()[RESULT_HEADER].get_accessible_at(0, 0).get_extents(Atspi.CoordType.SCREEN)
    click_at(box.x + box.width * 3 // 4, box.y + box.height // 2)


def undo_and_redo(window, before, kept):
    keyboard_to_first_result(window)
    window.away_from_lists()
    window.focus()
    press_keys("ctrl+z")
    window.wait("the removed lines back in their places with their ticks", lambda: window.results() == before)
    # Undo is greyed now, so Up from the top goes over "Export List..." to "Redo".
    window.choose_from_menu(RESULT_HEADER, "Menu", ["Up", "Up", "Return"])
    wanted = [(line, checked) for line, checked in before if line in kept]
    window.wait("the removal done again", lambda: window.results() == wanted)


def sort_lines(window):
    """Sort Lines A to Z, the first item after the tick commands; Ctrl+Z puts the old order back."""
    before = window.results()
    window.choose_from_menu(RESULT_HEADER, "Menu", ["Down"] * 4 + ["Return"])
    # Plain names of letters, digits and the path's own punctuation: a file manager's order is case-folded order.
    wanted = sorted(before, key=lambda row: (row[0].casefold(), row[0].encode("utf-8")))
    expect(wanted != before, "the lines were in order before the sort")
    window.wait("the lines sorted, ticks with them", lambda: window.results() == wanted)
    keyboard_to_first_result(window)
    press_keys("ctrl+z")
    window.wait("Ctrl+Z to put the old order back", lambda: window.results() == before)


def remove_duplicates(window):
    """A second search appends every line again; Remove Duplicate Lines, the item after the sort, takes
    those out again, and Ctrl+Z brings them back."""
    before = window.results()
    click(window.button("Start Searching"))
    window.dismiss(window.wait_for_message(MESSAGE_TITLE, "Done."))
    doubled = window.results()
    expect(len(doubled) > len(before), f"the second search listed {len(doubled)} lines")
    window.choose_from_menu(RESULT_HEADER, "Menu", ["Down"] * 5 + ["Return"])
    seen = set()
    wanted = [row for row in doubled if not (row[0] in seen or seen.add(row[0]))]
    window.wait("the repeated lines removed, the first ones kept with their ticks",
                lambda: window.results() == wanted)
    keyboard_to_first_result(window)
    press_keys("ctrl+z")
    window.wait("Ctrl+Z to bring the repeated lines back", lambda: window.results() == doubled)


class SlowDisk:
    """A folder mirrored through the slow-disk stand-in, its writes slowed."""

    def __init__(self, program, source, point, kbps):
        self.source = source
        self.point = point
        done = subprocess.run([program, source, point, "--write-kbps", str(kbps)], capture_output=True, timeout=10)
        self.refusal = done.stderr.decode(errors="replace").strip() if done.returncode != 0 else None
        if self.refusal is None:
            wait_until("the slow disk to be mounted", lambda: os.path.ismount(point))

    def unmount(self):
        if os.path.ismount(self.point):
            subprocess.run(["fusermount3", "-u", self.point], capture_output=True, timeout=10)


def file_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def save_as(window, path):
    click(window.button("Save Results As Text File"))
    window.answer_dialog("Save", path)


def undo_during_a_long_save(window, root, disk, out):
    """A list larger than the save's writer queues is saved to the slow disk; while the window still reads it,
    the pointer goes over a button (the hand replaces the busy pointer) and Ctrl+Z is pressed over the list.
    Undo is refused while the save runs, so the file holds the list as it was when the save began, the same
    list a second save writes afterwards, and Ctrl+Z acts once the save is over."""
    big = os.path.join(root, "big")
    os.makedirs(big)
    for number in range(LONG_SAVE_FILES):
        open(os.path.join(big, f"long-{number:05}-" + "x" * 180 + ".txt"), "w").close()
    click(window.button("Start Searching"))
    window.dismiss(window.wait_for_message(MESSAGE_TITLE, "Done.", timeout=60))
    results = window.tables()[RESULT_HEADER]
    rows = results.get_n_rows()
    expect(rows > LONG_SAVE_FILES, f"the search listed {rows} lines")
    keyboard_to_first_result(window)
    press_keys("Delete")
    window.wait("the first line deleted", lambda: results.get_n_rows() == rows - 1)

    saved = os.path.join(disk.point, "long.txt")
    partial = os.path.join(disk.source, ".long.txt.scrivlist-partial-1")
    save_as(window, saved)
    window.wait("the save to write to the slow disk", lambda: os.path.exists(partial) and os.path.getsize(partial))
    move_pointer(*centre(window.button("Start Searching")))
    keyboard_to_first_result(window)
    press_keys("ctrl+z")
    written_at_undo = os.path.getsize(partial) if os.path.exists(partial) else None
    done = os.path.join(disk.source, "long.txt")
    window.wait("the long save to end", lambda: os.path.exists(done) and not os.path.exists(partial), timeout=30)
    first = file_bytes(done)
    expect(written_at_undo is not None and written_at_undo + WRITER_QUEUE_BYTES < len(first),
           f"Ctrl+Z came after the save had read the whole list ({written_at_undo} of {len(first)} bytes written)")
    expect(results.get_n_rows() == rows - 1, "Ctrl+Z acted during the save")

    again = os.path.join(out, "after.txt")
    save_as(window, again)
    window.wait("the second save", lambda: os.path.exists(again))
    expect(first == file_bytes(again), "the long save does not hold the list that a save after it writes")
    expect(first.count(CRLF) == rows - 1, f"the long save holds {first.count(CRLF)} lines, not {rows - 1}")
    keyboard_to_first_result(window)
    press_keys("ctrl+z")
    window.wait("Ctrl+Z to put the deleted line back after the save", lambda: results.get_n_rows() == rows)


def change_choices(session, window):
    click(window.control(Atspi.Role.RADIO_BUTTON, "Just Path"))
    click(window.control(Atspi.Role.CHECK_BOX, "Search in subfolders also"))
    wait_settings(session, window, {"Option": "3", "Check5": "0", "Text1": PHRASE})


def close(window):
    window.request_close()
    code = window.wait_exit()
    expect(code == 0, f"the program ended with exit code {code} after the close request")


def check_restored(window):
    expect(text_of(window.control(Atspi.Role.TEXT)) == PHRASE, "the pattern was not restored")
    options = ("Path and Filename", "Just Filename", "Just Path", "Just Subfolder")
    selected = [name for name in options if is_checked(window.control(Atspi.Role.RADIO_BUTTON, name))]
    expect(selected == ["Just Path"], f"the selected options after a restart are {selected}")
    expect(not is_checked(window.control(Atspi.Role.CHECK_BOX, "Search in subfolders also")),
           "Check5 was not restored unticked")
    tables = window.tables()
    expect(all(table.get_n_rows() == 0 for table in tables.values()), "a list survived the restart")


def drive(session, artifacts, steps, slowfs):
    root = session.folder("files", "Reports")
    make_tree(root)
    saved = os.path.join(session.folder("out"), "results.txt")

    steps("start: caption, defaults, settings written")
    window = session.start(CAPTION)
    check_first_start(session, window)
    steps("add a folder through the picker")
    add_folder(window, root)
    steps("skip the folders of one name from the folder list's menu")
    skip_folders_named(window, root)
    steps("type the phrase")
    type_phrase(session, window)
    steps("search")
    lines = search(window, root, artifacts)
    steps("tick two lines with Space")
    ticked = tick_first_and_third(window, lines)
    steps("copy to the clipboard")
    copy_ticked(window, ticked)
    steps("copy the ticked lines as files from the result list's menu")
    copy_ticked_as_files(window, ticked)
    steps("save as a text file")
    save(window, saved, lines, overwrite=False)
    steps("remove lines containing a phrase")
    before = window.results()
    kept = remove_containing(window, lines)
    steps("undo the removal with Ctrl+Z, redo it from the result list's menu")
    undo_and_redo(window, before, kept)
    steps("save over the file")
    save(window, saved, kept, overwrite=True)
    steps("sort the lines from the result list's menu, undo it with Ctrl+Z")
    sort_lines(window)
    steps("search again, remove the duplicate lines from the result list's menu, undo it with Ctrl+Z")
    remove_duplicates(window)
    # Where FUSE cannot mount (no /dev/fuse), the step says so and is left out.
    disk = SlowDisk(slowfs, session.folder("slow-source"), session.folder("slow"), SLOW_DISK_KBPS) if slowfs else None
    if disk is None or disk.refusal is not None:
        steps("left out: Ctrl+Z during a long save, " + (disk.refusal if disk else "no slow-disk stand-in given"))
    else:
        steps("Ctrl+Z during a long save to a slow disk")
        try:
            undo_during_a_long_save(window, root, disk, session.folder("out"))
        finally:
            disk.unmount()
    steps("change the choices and close the window")
    change_choices(session, window)
    close(window)
    values = read_settings(session.settings_file, SECTION) or {}
    expect(values.get("Option") == "3" and values.get("Check5") == "0" and values.get("Text1") == PHRASE,
           f"the settings on disk after the close are {values}")

    steps("start again: choices restored")
    window = session.start(CAPTION)
    check_restored(window)
    close(window)
    steps("done")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the built program")
    parser.add_argument("--artifacts", required=True, help="where screenshots are kept")
    parser.add_argument("--slowfs", help="the slow-disk stand-in, for Ctrl+Z during a long save")
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    picture = os.path.join(args.artifacts, "failure.png")
    if os.path.exists(picture):
        os.remove(picture)  # a picture left by an earlier failed run

    steps = Steps()
    session = Session(args.exe)
    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(OVERALL_LIMIT_SECONDS)
    try:
        drive(session, args.artifacts, steps, args.slowfs)
    except Exception as failure:  # any failure ends the run with a picture of the screen
        try:
            session.x.screenshot(picture)
        except Exception as screenshot_failure:
            picture = f"(no screenshot: {screenshot_failure})"
        if not isinstance(failure, DriverFailure):
            traceback.print_exc()
        print(f"FAILED at '{steps.current}': {failure}\nscreenshot: {picture}", flush=True)
        print(session.program_logs(), flush=True)
        return 1
    finally:
        signal.alarm(0)
        session.close()
    print(f"passed in {time.monotonic() - steps.started:.1f} s", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
