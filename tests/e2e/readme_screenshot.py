#!/usr/bin/python3
"""Takes the README's pictures of the window: a prepared folder, searched, two lines ticked; then the result list's menu.

Run it through scripts/screenshot.sh, which gives it an X server and a D-Bus session.
"""

import argparse
import os
import shutil
import sys

from window_driver import RESULT_HEADER, DriverFailure, Session, move_pointer, press_keys

# A fixed place, so the paths in the picture stay the same from one take to the next.
DEMO_ROOT = "/tmp/scrivlist-demo"
DEMO_TREE = {
    "Documents/Invoices": ["invoice-2023-01.pdf", "invoice-2023-02.pdf", "invoice-2023-03.pdf", "receipts.ods"],
    "Documents/Invoices/Archive": ["invoice-2021-11.pdf", "invoice-2021-12.pdf", "invoice-2022-06.pdf"],
    "Documents/Letters": ["cover-letter.odt", "invoice-query.txt", "thank-you.odt"],
}
PHRASE = "invoice"


def make_demo_tree():
    shutil.rmtree(DEMO_ROOT, ignore_errors=True)
    for folder, names in DEMO_TREE.items():
        os.makedirs(os.path.join(DEMO_ROOT, folder), exist_ok=True)
        for name in names:
            open(os.path.join(DEMO_ROOT, folder, name), "w").close()
    return os.path.join(DEMO_ROOT, "Documents")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="the built program")
    parser.add_argument("--output", required=True, help="the PNG file to write")
    parser.add_argument("--menu-output", required=True, help="the PNG file of the result list's menu")
    args = parser.parse_args()

    session = Session(args.exe)
    try:
        window = session.start("Scrivlist Software")
        window.add_folder(make_demo_tree())
        window.type_pattern(PHRASE)
        if len(window.search()) < 3:
            raise DriverFailure("the demo search found fewer than three lines")
        window.tick([0, 2])
        move_pointer(0, 0)
        window.wait("the ticks to show", lambda: sum(checked for _, checked in window.results()) == 2)
        window.screenshot(os.path.abspath(args.output))
        window.open_menu(RESULT_HEADER, "Menu")
        window.screenshot_with_popups(os.path.abspath(args.menu_output))
        press_keys("Escape")
        window.request_close()
        window.wait_exit()
    except DriverFailure as failure:
        print(f"screenshot not taken: {failure}", file=sys.stderr)
        return 1
    finally:
        session.close()
        shutil.rmtree(DEMO_ROOT, ignore_errors=True)
    print(f"wrote {args.output} and {args.menu_output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
