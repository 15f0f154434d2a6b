#!/usr/bin/python3
"""The demonstration search of an installed program, as a person makes it.

Load Sample/Example Folder, No to the offer to open it, Start Searching: the
folder list must hold the Samples folder beside the program's executable (also
when it was started through a link), and the result lines must be the sample
files whose names contain the demonstration phrase. Run it under a D-Bus
session and an X server of its own:

    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \\
        /usr/bin/python3 tests/e2e/sample_search.py --exe /usr/bin/scrivlist
"""

import argparse
import os
import signal
import sys

from window_driver import FOLDER_HEADER, MESSAGE_TITLE, Atspi, DriverFailure, Session, click, text_of

CAPTION = "Scrivlist Software"
PHRASE = "ple1.t"
OFFER = ("Would you like this software to open the folder where these sample files are stored "
         "(so that you can view them before working with them)?")
OVERALL_LIMIT_SECONDS = 60


def overtime(_signal, _frame):
    raise DriverFailure(f"the drive took longer than {OVERALL_LIMIT_SECONDS} s")


def matching_samples(samples):
    """Every file under the sample folder whose name holds the phrase, ignoring case:
    a first start searches subfolders and lists path and name."""
    return sorted(os.path.join(folder, name)
                  for folder, _, names in os.walk(samples) for name in names if PHRASE in name.lower())


def drive(session, samples):
    window = session.start(CAPTION)
    click(window.button("Load Sample/Example Folder"))
    window.dismiss(window.wait_for_message(MESSAGE_TITLE, OFFER), "No")
    folders = window.tables()[FOLDER_HEADER]
    window.wait(f"the folder list to hold {samples}", lambda: folders.get_n_rows() == 1)
    entry = folders.get_accessible_at(0, 0).get_name()
    if entry != samples:
        raise DriverFailure(f"the sample folder entry is {entry!r}, not {samples!r}")
    pattern = window.control(Atspi.Role.TEXT)
    window.wait(f"the pattern box to read {PHRASE}", lambda: text_of(pattern) == PHRASE)
    found = sorted(line for line, _ in window.search())
    expected = matching_samples(samples)
    if not expected or found != expected:
        raise DriverFailure(f"the search listed {found}, expected {expected}")
    window.request_close()
    window.wait_exit()
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the installed program, or the link to it")
    args = parser.parse_args()
    samples = os.path.join(os.path.dirname(os.path.realpath(args.exe)), "Samples")

    session = Session(args.exe)
    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(OVERALL_LIMIT_SECONDS)
    try:
        found = drive(session, samples)
    except DriverFailure as failure:
        print(f"FAILED: {failure}", flush=True)
        print(session.program_logs(), flush=True)
        return 1
    finally:
        signal.alarm(0)
        session.close()
    print(f"the demonstration search listed {len(found)} sample files:", *found, sep="\n  ")
    return 0


if __name__ == "__main__":
    sys.exit(main())
