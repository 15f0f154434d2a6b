"""Drives the built program in a real window from outside, as a person would.

Controls are found through the accessibility bus (AT-SPI). Under X11 they are
used with the real pointer and keyboard (xdotool, XTEST); X properties and the
close request go through python-xlib; the clipboard is read with xclip. Under
Wayland, where no client may move the pointer or type into another, buttons are
pressed through their accessible action and lines are filled through their
editable text. Every wait is bounded and fails with a message that says what
did not happen.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

import gi

# The accessibility bus of the D-Bus session we run in, never one of a desktop we were started from.
os.environ.pop("AT_SPI_BUS_ADDRESS", None)
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
from Xlib import X, Xatom, display as xdisplay  # noqa: E402
from Xlib.protocol import event as xevent  # noqa: E402

POLL_SECONDS = 0.05
ERROR_BOX_TITLE = "Application Error"
MESSAGE_TITLE = "Scrivlist"  # every message and input box of the program
FOLDER_PROMPT = "Please select folder:"
FOLDER_HEADER = "Folder(s)"
RESULT_HEADER = "Results"


class DriverFailure(Exception):
    """A step of the drive did not happen as a person would see it."""


def wait_until(what, probe, timeout=10.0, watch=None):
    """Polls probe() until it returns something truthy and returns that.

    watch, when given, runs on every poll and may raise to end the wait
    early (an error box that appeared, the program that died)."""
    deadline = time.monotonic() + timeout
    while True:
        if watch is not None:
            watch()
        try:
            value = probe()
        except GLib.Error:
            value = None  # an object that went away between two calls
        if value:
            return value
        if time.monotonic() >= deadline:
            raise DriverFailure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(POLL_SECONDS)


def expect(condition, message):
    if not condition:
        raise DriverFailure(message)


class Steps:
    """Names each step as it runs, so a failure says where it happened."""

    def __init__(self):
        self.started = time.monotonic()
        self.current = "setting up"

    def __call__(self, name):
        self.current = name
        print(f"[{time.monotonic() - self.started:6.1f} s] {name}", flush=True)


def run_tool(*args, timeout=10.0):
    try:
        done = subprocess.run(args, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise DriverFailure(f"{args[0]} did not finish within {timeout:g} s: {' '.join(args)}") from None
    if done.returncode != 0:
        raise DriverFailure(f"{' '.join(args)} failed ({done.returncode}): {done.stderr.decode(errors='replace')}")
    return done.stdout


# --- the accessibility tree -------------------------------------------------

def descendants(node):
    """Every node under node, depth first. Table cells are left out: the
    tables are read through their own interface."""
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is None:
            continue
        yield child
        if child.get_role() != Atspi.Role.TABLE:
            yield from descendants(child)


def find_all(node, role, name=None):
    return [child for child in descendants(node)
            if child.get_role() == role and (name is None or child.get_name() == name)]


def find_one(node, role, name=None):
    found = find_all(node, role, name)
    if len(found) != 1:
        label = f"{role.value_nick}" + (f" '{name}'" if name is not None else "")
        raise DriverFailure(f"expected one {label}, found {len(found)}")
    return found[0]


def is_checked(node):
    return node.get_state_set().contains(Atspi.StateType.CHECKED)


def text_of(node):
    # Through the interface itself: newer libatspi also has Accessible.get_text(), which takes no range.
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def press(node):
    """Presses a button through its accessible action, as a screen reader would."""
    if not Atspi.Action.do_action(node, 0):
        raise DriverFailure(f"'{node.get_name()}' refused its action")


def fill(node, text):
    """Replaces a line's text through its editable text, as a screen reader would."""
    if not Atspi.EditableText.set_text_contents(node, text):
        raise DriverFailure(f"'{node.get_name()}' refused the text {text!r}")


def centre(node):
    box = node.get_extents(Atspi.CoordType.SCREEN)
    if box.width <= 0 or box.height <= 0:
        raise DriverFailure(f"'{node.get_name()}' has no area on the screen")
    return box.x + box.width // 2, box.y + box.height // 2


def table_rows(table):
    """The texts and check marks of the table's first column, top to bottom."""
    rows = []
    for row in range(table.get_n_rows()):
        cell = table.get_accessible_at(row, 0)
        rows.append((cell.get_name(), is_checked(cell)))
    return rows


def table_header(table):
    return table.get_column_description(0)


def labels_of(window):
    return [label.get_name() for label in find_all(window, Atspi.Role.LABEL)]


# --- pointer and keyboard -----------------------------------------------------

def move_pointer(x, y):
    run_tool("xdotool", "mousemove", "--sync", str(x), str(y))


def click(node):
    x, y = centre(node)
    move_pointer(x, y)
    run_tool("xdotool", "click", "1")


def click_at(x, y):
    move_pointer(x, y)
    run_tool("xdotool", "click", "1")


def press_keys(*keys):
    run_tool("xdotool", "key", "--delay", "40", *keys)


def type_text(text):
    run_tool("xdotool", "type", "--delay", "15", "--", text, timeout=30.0)


def read_clipboard(target=None):
    target_args = ("-t", target) if target else ()
    return run_tool("xclip", *target_args, "-o", "-selection", "clipboard", timeout=5.0)


# --- the program under test ---------------------------------------------------

class ProgramWindow:
    """One run of the program: its process, its accessible tree and its X window."""

    def __init__(self, session, process):
        self.session = session
        self.process = process
        self.app = None
        self.frame = None
        self.x_window = None

    @property
    def pid(self):
        return self.process.pid

    def watch(self):
        """Ends any wait at once when the program died or shows an error box."""
        code = self.process.poll()
        if code is not None:
            raise DriverFailure(f"the program ended unexpectedly with exit code {code}")
        if self.app is None:
            return
        for box in self.top_windows(ERROR_BOX_TITLE):
            raise DriverFailure("an error box appeared: " + " | ".join(labels_of(box)))

    def wait(self, what, probe, timeout=10.0):
        return wait_until(what, probe, timeout, watch=self.watch)

    def attach(self, caption, timeout=20.0):
        """Waits for the main window on the accessibility bus and on X."""
        desktop = Atspi.get_desktop(0)
        # The lists change under us; every read asks the program afresh.
        desktop.set_cache_mask(Atspi.Cache.NONE)

        def own_application():
            for index in range(desktop.get_child_count()):
                candidate = desktop.get_child_at_index(index)
                if candidate is not None and candidate.get_process_id() == self.pid:
                    return candidate
            return None

        self.app = self.wait("the program on the accessibility bus", own_application, timeout)
        self.frame = self.wait(f"the window '{caption}'", lambda: self.top_window(caption), timeout)
        if self.session.x is not None:
            self.x_window = self.wait(f"the X window '{caption}'",
                                      lambda: self.session.x.find_window(self.pid, caption), timeout)
        return self.frame

    def top_windows(self, name=None):
        windows = []
        for index in range(self.app.get_child_count()):
            window = self.app.get_child_at_index(index)
            if window is not None and (name is None or window.get_name() == name):
                windows.append(window)
        return windows

    def top_window(self, name):
        found = self.top_windows(name)
        return found[0] if len(found) == 1 else None

    def wait_for_window(self, name, timeout=10.0):
        return self.wait(f"the window '{name}'", lambda: self.top_window(name), timeout)

    def wait_window_gone(self, name, timeout=10.0):
        self.wait(f"the window '{name}' to close", lambda: self.top_window(name) is None, timeout)

    def wait_for_message(self, title, text, timeout=10.0):
        """Waits for a message box with that title whose label reads text."""
        def showing():
            for box in self.top_windows(title):
                if text in labels_of(box):
                    return box
            return None
        return self.wait(f"the message '{text}'", showing, timeout)

    def dismiss(self, box, button="OK"):
        name = box.get_name()
        click(find_one(box, Atspi.Role.PUSH_BUTTON, button))
        self.wait_window_gone(name)

    def answer_dialog(self, caption, text):
        """Types text into the dialog's focused line and presses Return. A
        completion list that opened while typing takes the first Return."""
        self.wait_for_window(caption)
        self.focus(caption)
        type_text(text)
        for _ in range(3):
            press_keys("Return")
            try:
                self.wait_window_gone(caption, timeout=3.0)
                return
            except DriverFailure:
                continue
        raise DriverFailure(f"the dialog '{caption}' stayed open after typing {text!r} and Return")

    def answer_dialog_by_bus(self, caption, text, button):
        """Fills the dialog's one line with text and presses its button, through accessibility only."""
        dialog = self.wait_for_window(caption)
        fill(self.wait(f"the line of the dialog '{caption}'", lambda: find_one(dialog, Atspi.Role.TEXT)), text)
        press(find_one(dialog, Atspi.Role.PUSH_BUTTON, button))
        self.wait_window_gone(caption)

    def add_folder(self, folder):
        """Add Folder to Search, then the folder typed into the picker."""
        click(self.button("Add Folder to Search"))
        self.answer_dialog(FOLDER_PROMPT, folder)
        folders = self.tables()[FOLDER_HEADER]
        self.wait(f"the folder list to end with {folder}", lambda: table_rows(folders)[-1:] == [(folder, False)])

    def type_pattern(self, text):
        """Replaces the pattern box's text by typing."""
        pattern = self.control(Atspi.Role.TEXT)
        click(pattern)
        self.focus()
        press_keys("ctrl+a")
        type_text(text)
        self.wait(f"the pattern box to read {text}", lambda: text_of(pattern) == text)

    def search(self, timeout=30.0):
        """Start Searching, then OK on the closing message. Gives the result lines."""
        click(self.button("Start Searching"))
        self.dismiss(self.wait_for_message(MESSAGE_TITLE, "Done.", timeout))
        return self.results()

    def results(self):
        """The result lines with their check marks, top to bottom."""
        return table_rows(self.tables()[RESULT_HEADER])

    def away_from_lists(self):
        """Rests the pointer over no list, so hover selection leaves the lists alone."""
        frame = self.control(Atspi.Role.PANEL, "What To Put In Results")
        box = frame.get_extents(Atspi.CoordType.SCREEN)
        move_pointer(box.x + box.width * 3 // 4, box.y + box.height // 2)

    def tick(self, rows):
        """Ticks the result lines at these positions (ascending) with Space on the focused line."""
        results = self.tables()[RESULT_HEADER]
        first = results.get_accessible_at(rows[0], 0)
        box = first.get_extents(Atspi.CoordType.SCREEN)
        click_at(box.x + box.width * 3 // 4, box.y + box.height // 2)  # on the text, not on its check box
        self.away_from_lists()
        self.focus()
        keys = ["space"]
        for previous, row in zip(rows, rows[1:]):
            keys += ["Down"] * (row - previous) + ["space"]
        press_keys(*keys)

    def open_menu(self, header, open_key):
        """Gives a list the keyboard, with its first line current, and opens
        its menu with open_key."""
        table = self.tables()[header]
        rows = table.get_n_rows()
        if rows > 0:
            first = table.get_accessible_at(0, 0)
            box = first.get_extents(Atspi.CoordType.SCREEN)
            click_at(box.x + box.width * 3 // 4, box.y + box.height // 2)  # on the text, not on a check box
        else:
            click(table)
        self.away_from_lists()
        self.focus()
        press_keys(open_key)
        self.wait(f"the menu of the list '{header}'", lambda: self.session.x.popup(self.pid))

    def choose_from_menu(self, header, open_key, keys):
        """Opens a list's menu from the keyboard and chooses an item with keys,
        as a person without a mouse would."""
        self.open_menu(header, open_key)
        press_keys(*keys)
        self.wait(f"the menu of the list '{header}' to close", lambda: self.session.x.popup(self.pid) is None)

    def control(self, role, name=None):
        return find_one(self.frame, role, name)

    def button(self, caption):
        return self.control(Atspi.Role.PUSH_BUTTON, caption)

    def tables(self):
        """The folder list and the result list, told apart by their column header."""
        return {table_header(table): table for table in find_all(self.frame, Atspi.Role.TABLE)}

    def screenshot(self, path):
        self.session.x.screenshot(path, self.x_window)

    def screenshot_with_popups(self, path):
        """The window as it shows on the screen, with a menu that lies over it, whole where it reaches past it."""
        popup = self.session.x.popup(self.pid)
        self.session.x.screenshot_of_area(path, self.x_window, [popup] if popup is not None else [])

    def focus(self, caption=None):
        """Gives the keyboard to the main window, or to the program's window with that caption."""
        if caption is None:
            self.session.x.focus(self.x_window)
            return
        window = self.wait(f"the X window '{caption}'", lambda: self.session.x.find_window(self.pid, caption))
        self.session.x.focus(window)

    def request_close(self):
        self.session.x.send_delete_window(self.x_window)

    def wait_exit(self, timeout=10.0):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise DriverFailure(f"the program did not end within {timeout:g} s after the close request") from None

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(3)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(3)


class XServer:
    """The X side: finding a window by process and caption, closing it as a
    window manager would, and pictures of it."""

    def __init__(self):
        self.display = xdisplay.Display()
        self.root = self.display.screen().root
        self.wm_pid = self.display.intern_atom("_NET_WM_PID")
        self.wm_name = self.display.intern_atom("_NET_WM_NAME")
        self.utf8 = self.display.intern_atom("UTF8_STRING")
        self.wm_protocols = self.display.intern_atom("WM_PROTOCOLS")
        self.wm_delete = self.display.intern_atom("WM_DELETE_WINDOW")

    def caption(self, window):
        prop = window.get_full_property(self.wm_name, self.utf8)
        if prop is not None:
            return prop.value.decode("utf-8", errors="replace")
        return window.get_wm_name() or ""

    def find_window(self, pid, caption):
        for window in self.root.query_tree().children:
            prop = window.get_full_property(self.wm_pid, Xatom.CARDINAL)
            if prop is None or pid not in prop.value:
                continue
            if window.get_attributes().map_state == X.IsViewable and self.caption(window) == caption:
                return window
        return None

    def popup(self, pid):
        """The process's popup that is showing (a menu: the pointer rests away
        from anything with a tooltip), if any."""
        for window in self.root.query_tree().children:
            prop = window.get_full_property(self.wm_pid, Xatom.CARDINAL)
            attributes = window.get_attributes()
            if (prop is not None and pid in prop.value and attributes.override_redirect
                    and attributes.map_state == X.IsViewable):
                return window
        return None

    def focus(self, window):
        """Gives the window the keyboard, as a click on its title bar would."""
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()

    def send_delete_window(self, window):
        message = xevent.ClientMessage(window=window, client_type=self.wm_protocols,
                                       data=(32, [self.wm_delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(message, event_mask=X.NoEventMask)
        self.display.flush()

    def screenshot(self, path, window=None):
        target = hex(window.id) if window is not None else "root"
        run_tool("import", "-window", target, path, timeout=20.0)

    def screenshot_of_area(self, path, window, more=()):
        """The part of the screen the window and the windows in more cover, with whatever lies over them."""
        boxes = []
        for shown in [window, *more]:
            size = shown.get_geometry()
            place = shown.translate_coords(self.root, 0, 0)
            boxes.append((-place.x, -place.y, -place.x + size.width, -place.y + size.height))
        left, top = min(box[0] for box in boxes), min(box[1] for box in boxes)
        right, bottom = max(box[2] for box in boxes), max(box[3] for box in boxes)
        area = f"{right - left}x{bottom - top}+{left}+{top}"
        run_tool("import", "-window", "root", "-crop", area, "+repage", path, timeout=20.0)


class Session:
    """A fresh, private world for the program: configuration, home and runtime
    folders of its own, a desktop without an environment of its own (so Qt's own
    dialogs show), and a web-page opener that opens nothing: about one start in a
    hundred hands the maker's page to it, and no browser is there to take it.

    platform is Qt's platform plugin: "xcb" on the X server of DISPLAY, or
    "wayland" on the compositor that wayland_display names, with no X at all."""

    def __init__(self, exe, platform="xcb", wayland_display=None):
        self.exe = os.path.abspath(exe)
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="scrivlist-e2e-"))
        self.config = self.folder("config")
        self.home = self.folder("home")
        self.runtime = self.folder("runtime")
        os.chmod(self.runtime, 0o700)
        self.bin = self.folder("bin")
        self._write_opener()
        self.platform = platform
        self.wayland_display = wayland_display
        self.x = XServer() if platform == "xcb" else None
        self.windows = []

    def folder(self, *parts):
        path = os.path.join(self.root, *parts)
        os.makedirs(path, exist_ok=True)
        return path

    @property
    def settings_file(self):
        return os.path.join(self.config, "Quillmark.conf")

    def _write_opener(self):
        opener = os.path.join(self.bin, "xdg-open")
        with open(opener, "w", encoding="utf-8") as script:
            script.write("#!/bin/sh\nexit 0\n")
        os.chmod(opener, 0o755)

    def environment(self):
        # Only the display of the chosen platform, so Qt cannot fall back to another.
        display = ("WAYLAND_DISPLAY",) if self.platform == "xcb" else ("DISPLAY", "XAUTHORITY")
        env = {key: value for key, value in os.environ.items()
               if key not in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                              "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "SESSION_MANAGER") + display}
        env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "QT_QPA_PLATFORM": self.platform,
            "XDG_CONFIG_HOME": self.config,
            "XDG_CACHE_HOME": self.folder("cache"),
            "XDG_DATA_HOME": self.folder("data-home"),
            "XDG_RUNTIME_DIR": self.runtime,
            "HOME": self.home,
            "PATH": self.bin + os.pathsep + env.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })
        if self.wayland_display is not None:
            env["WAYLAND_DISPLAY"] = self.wayland_display
        return env

    def start(self, caption, arguments=()):
        log = open(os.path.join(self.root, f"program-{len(self.windows) + 1}.log"), "wb")
        # setpriv execs the program in its own process: should this driver be killed, the kernel ends it too.
        process = subprocess.Popen(["setpriv", "--pdeathsig", "KILL", "--", self.exe, *arguments],
                                   env=self.environment(),
                                   stdout=log, stderr=subprocess.STDOUT, cwd=self.home)
        log.close()
        window = ProgramWindow(self, process)
        self.windows.append(window)
        window.attach(caption)
        return window

    def program_logs(self):
        texts = []
        for index in range(1, len(self.windows) + 1):
            path = os.path.join(self.root, f"program-{index}.log")
            with open(path, "rb") as log:
                texts.append(f"--- program run {index} ---\n" + log.read().decode(errors="replace"))
        return "\n".join(texts)

    def close(self):
        for window in self.windows:
            window.stop()
        shutil.rmtree(self.root, ignore_errors=True)


def read_settings(path, section):
    """The keys of one section of the settings file, as plain texts."""
    values = {}
    current = None
    try:
        with open(path, encoding="utf-8") as settings:
            lines = settings.read().splitlines()
    except FileNotFoundError:
        return None
    for line in lines:
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
        elif current == section and "=" in line:
            key, value = line.split("=", 1)
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            values[key] = value
    return values
