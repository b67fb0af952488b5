#!/usr/bin/python3
"""End-to-end runs of the velkor binary on virtual displays.

Each case starts its own display server (Xvfb, or headless weston for the
Wayland case) and its own session bus, runs velkor there, finds the box by
its title, reads what it shows through the accessibility tree, saves a
screenshot, dismisses the box the way a person would and checks the exit
code and that nothing was printed.

Run by Debian's /usr/bin/python3, which has pyatspi:
    velkor_e2e.py --velkor PATH --out DIR CASE
    velkor_e2e.py --list
Exit codes: 0 passed, 1 failed, 77 skipped (the reason is printed).
"""

import argparse
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import Failure, Skipped, Xvfb, check, deadline_after, log, poll_until, stop  # noqa: E402

SKIP = 77

EN_TITLE = "Tesk-Velkor 1.01"
SV_TITLE = "Velkor 1.01"
EN_SENTENCE = "The most common representations of this aspect ratio are: "
SV_SENTENCE = "Dem vanligaste representationerna av detta bildförhållande är: "
NNBSP = "\u202f"  # glibc's thousands mark for sv_SE


def report(first_line, sentence, forms):
    return first_line + "\r\n\r\n" + sentence + forms + "."


@dataclass
class Case:
    # Screen size of the virtual display, or None for no display at all.
    screen: tuple = (1920, 1080)
    lang: str = "en_US.UTF-8"
    args: list = field(default_factory=list)
    env: dict = field(default_factory=dict)
    # xrandr --setmonitor argument lists, applied before velkor starts.
    monitors: list = field(default_factory=list)
    backend: str = "x11"  # "x11", "wayland" or "none"
    # How the box is dismissed: key:NAME (XTest key press after focusing),
    # click (XTest pointer click on OK), close (WM_DELETE_WINDOW, as a window
    # manager's close button sends it).
    dismiss: str = "key:Return"
    title: str = EN_TITLE
    text: str = ""
    exit_code: int = 0
    stderr: str = ""  # a regular expression the whole of stderr must match
    # Without a session bus the accessibility tree cannot be read; the box is
    # then found through the window system alone.
    session_bus: bool = True


CASES = {
    "english_1920x1080": Case(
        text=report("1,920 × 1,080 = 1.78:1.", EN_SENTENCE, "16:9, 32:18")),
    "swedish_locale_1280x1024": Case(
        screen=(1280, 1024), lang="sv_SE.UTF-8", dismiss="key:Escape", title=SV_TITLE,
        text=report(f"1{NNBSP}280 × 1{NNBSP}024 = 1,25:1.", SV_SENTENCE,
                    "5:4, 10:8, 15:12, 20:16, 25:20, 30:24")),
    "swedish_switch_english_locale": Case(
        args=["/SWEDISH"], dismiss="click", title=SV_TITLE,
        text=report("1,920 × 1,080 = 1.78:1.", SV_SENTENCE, "16:9, 32:18")),
    "english_switch_swedish_locale": Case(
        screen=(1280, 1024), lang="sv_SE.UTF-8", args=["/english"], dismiss="close",
        text=report(f"1{NNBSP}280 × 1{NNBSP}024 = 1,25:1.", EN_SENTENCE,
                    "5:4, 10:8, 15:12, 20:16, 25:20, 30:24")),
    # Only the monitor bound to the screen's output is a monitor to GDK; it
    # is the primary one, and it is not where the screen begins.
    "primary_of_two_monitors": Case(
        screen=(3200, 1200),
        monitors=[["left", "1600/423x1200/317+0+0", "none"],
                  ["*right", "1600/423x1200/317+1600+0", "screen"]],
        text=report("1,600 × 1,200 = 1.33:1.", EN_SENTENCE,
                    "4:3, 8:6, 12:9, 16:12, 20:15, 24:18, 28:21, 32:24")),
    "scaled_desktop_counts_device_pixels": Case(
        env={"GDK_SCALE": "2"}, dismiss="key:Escape",
        text=report("1,920 × 1,080 = 1.78:1.", EN_SENTENCE, "16:9, 32:18")),
    # No whole form within the 32 multipliers, and a height below 1,000.
    "no_whole_forms_1366x768": Case(
        screen=(1366, 768), dismiss="close",
        text=report("1,366 × 768 = 1.78:1.", EN_SENTENCE, "")),
    # Without a session bus velkor must neither warn about the missing
    # accessibility bus nor start one of its own.
    "without_session_bus": Case(
        session_bus=False,
        text=report("1,920 × 1,080 = 1.78:1.", EN_SENTENCE, "16:9, 32:18")),
    "wayland_1920x1080": Case(
        backend="wayland",
        text=report("1,920 × 1,080 = 1.78:1.", EN_SENTENCE, "16:9, 32:18")),
    # Both queries give 0, so the ratio is 0 / 0.
    "no_display": Case(
        screen=None, backend="none", exit_code=1,
        stderr=r"Exception \w+ in module velkor at [0-9A-F]{8}\.\r\n"
               r"Invalid floating point operation\.\r\n"),
}


# --- Display servers and the session bus ------------------------------------

class Weston:
    """A Wayland compositor inside the virtual X display. Its headless
    backend has no seat, so GTK meets no keyboard or pointer there and
    complains; nested in Xvfb it has both, and key presses reach the box
    through XTest the way they reach any Wayland client."""

    def __init__(self, work, display, size, runtime_dir):
        self.socket = "velkor-e2e"
        self.log_path = os.path.join(work, "weston.log")
        self.log = open(self.log_path, "wb")
        env = dict(base_environment(work), XDG_RUNTIME_DIR=runtime_dir, DISPLAY=display)
        self.process = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", f"--width={size[0]}", f"--height={size[1]}",
             "--use-pixman", f"--socket={self.socket}", "--idle-time=0"],
            env=env, stdout=self.log, stderr=self.log, cwd=work)
        socket_path = os.path.join(runtime_dir, self.socket)
        self.window = None
        end = deadline_after(20)
        while not (os.path.exists(socket_path) and self.window):
            if self.process.poll() is not None or time.monotonic() > end:
                stop(self.process)
                self.log.close()
                with open(self.log_path, "rb") as f:
                    tail = f.read()[-400:].decode(errors="replace")
                raise Skipped(f"weston did not start on {display}: {tail.strip()}")
            ids = xrun(display, "xdotool", "search", "--onlyvisible", "--class",
                       "^Weston Compositor$").stdout.split()
            self.window = ids[0] if ids else None
            time.sleep(0.05)

    def close(self):
        stop(self.process)
        self.log.close()


class SessionBus:
    """A private session bus, so that the accessibility bus and its registry
    belong to this test alone."""

    def __init__(self, work):
        read_end, write_end = os.pipe()
        self.log = open(os.path.join(work, "dbus.log"), "wb")
        self.process = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile",
             f"--print-address={write_end}"],
            pass_fds=[write_end], stdout=self.log, stderr=self.log,
            env=base_environment(work))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            self.address = pipe.readline().decode().strip()
        if not self.address:
            stop(self.process)
            raise Failure("the session bus did not start")

    def close(self):
        # The accessibility bus launcher leaves with the session bus.
        stop(self.process)
        self.log.close()


def base_environment(work):
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    return {"PATH": "/usr/bin:/bin", "HOME": home}


# --- The accessibility tree ------------------------------------------------

_pyatspi = None


def atspi():
    global _pyatspi
    if _pyatspi is None:
        import pyatspi  # after the private session bus is in the environment
        _pyatspi = pyatspi
    return _pyatspi


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find_box(pid, title):
    pyatspi = atspi()
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            for j in range(app.childCount):
                window = app.getChildAtIndex(j)
                if (window is not None and window.name == title
                        and window.getState().contains(pyatspi.STATE_SHOWING)):
                    return window
        except Exception:  # an application that went away while listed
            continue
    return None


def showing(box, role):
    pyatspi = atspi()
    return [node for node in walk(box)
            if node.getRole() == role and node.getState().contains(pyatspi.STATE_SHOWING)]


def extents(node):
    e = node.queryComponent().getExtents(atspi().DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def selectable(label):
    # A label that is not selectable refuses a selection.
    text = label.queryText()
    if not text.addSelection(0, 1):
        return False
    text.removeSelection(0)
    return True


def read_box(box):
    """What the box shows: its label texts, its buttons and its icons."""
    pyatspi = atspi()
    labels = [node for node in showing(box, pyatspi.ROLE_LABEL)]
    return {
        "role": box.getRole(),
        "modal": box.getState().contains(pyatspi.STATE_MODAL),
        "texts": [node.queryText().getText(0, -1) for node in labels],
        "labels": labels,
        "buttons": showing(box, pyatspi.ROLE_PUSH_BUTTON),
        "icons": showing(box, pyatspi.ROLE_ICON),
    }


# --- X11 helpers ------------------------------------------------------------

def xrun(display, *command, timeout=10):
    return subprocess.run(list(command), env={"PATH": "/usr/bin:/bin", "DISPLAY": display},
                          capture_output=True, timeout=timeout, text=True)


def window_by_title(display, title):
    result = xrun(display, "xdotool", "search", "--onlyvisible", "--name",
                  "^" + re.escape(title) + "$")
    ids = result.stdout.split()
    return ids[0] if ids else None


def send_delete_window(display, window):
    """WM_DELETE_WINDOW, the message a window manager's close button sends."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):  # XEvent is padded to 24 longs
        _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

    connection = x11.XOpenDisplay(display.encode())
    check(connection, f"cannot open {display}")
    try:
        event = Event()
        event.client.type = 33  # ClientMessage
        event.client.window = int(window)
        event.client.message_type = x11.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.client.format = 32
        event.client.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        event.client.data[1] = 0  # CurrentTime
        check(x11.XSendEvent(connection, int(window), 0, 0, ctypes.byref(event)),
              "XSendEvent failed")
        x11.XFlush(connection)
    finally:
        x11.XCloseDisplay(connection)


def unique_colours(image, box):
    x, y, w, h = box
    result = subprocess.run(["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                             "-format", "%k", "info:"], capture_output=True, text=True,
                            timeout=20)
    check(result.returncode == 0, f"cannot measure the screenshot: {result.stderr}")
    return int(result.stdout.strip())


# --- One case ---------------------------------------------------------------

def run_case(name, case, velkor, out_dir):
    work = tempfile.mkdtemp(prefix=f"velkor-e2e-{name}-")
    cleanups = []
    try:
        env = base_environment(work)
        env["LANG"] = case.lang
        runtime_dir = os.path.join(work, "runtime")
        os.makedirs(runtime_dir, mode=0o700)
        env["XDG_RUNTIME_DIR"] = runtime_dir  # empty: no stray wayland-0 to find
        env.update(case.env)

        if case.session_bus:
            bus = SessionBus(work)
            cleanups.append(bus.close)
            env["DBUS_SESSION_BUS_ADDRESS"] = bus.address
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.address

        display = None  # the X display the box is seen and driven on
        window = None   # its X window, once known
        if case.backend != "none":
            xvfb = Xvfb(work, case.screen)
            cleanups.append(xvfb.close)
            display = xvfb.display
            for monitor in case.monitors:
                result = xrun(display, "xrandr", "--setmonitor", *monitor)
                check(result.returncode == 0, f"xrandr --setmonitor failed: {result.stderr}")
        if case.backend == "x11":
            env["DISPLAY"] = display
        elif case.backend == "wayland":
            weston = Weston(work, display, case.screen, runtime_dir)
            cleanups.append(weston.close)
            window = weston.window
            env["WAYLAND_DISPLAY"] = weston.socket
            env["GDK_BACKEND"] = "wayland"

        stdout_path = os.path.join(work, "stdout")
        stderr_path = os.path.join(work, "stderr")
        with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
            process = subprocess.Popen([velkor, *case.args], env=env, stdout=out, stderr=err,
                                       stdin=subprocess.DEVNULL, cwd=work)
        cleanups.append(lambda: stop(process))

        if case.backend != "none":
            show_and_dismiss(name, case, process, display, window, out_dir)

        try:
            code = process.wait(15)
        except subprocess.TimeoutExpired:
            raise Failure("velkor did not end after the box was dismissed")
        with open(stdout_path, "rb") as f:
            stdout = f.read().decode("utf-8", errors="replace")
        with open(stderr_path, "rb") as f:
            stderr = f.read().decode("utf-8", errors="replace")
        check(stdout == "", f"velkor wrote to stdout: {stdout!r}")
        check(re.fullmatch(case.stderr, stderr, re.DOTALL) is not None,
              f"stderr was {stderr!r}, expected to match {case.stderr!r}")
        check(code == case.exit_code, f"exit code {code}, expected {case.exit_code}")
        if case.backend == "x11" and not case.session_bus:
            # An accessibility bus started for velkor would announce itself here.
            props = xrun(display, "xprop", "-root", "AT_SPI_BUS").stdout
            check("not found" in props or "no such" in props,
                  f"an accessibility bus was started: {props.strip()}")
    finally:
        for cleanup in reversed(cleanups):
            cleanup()
        os.environ.pop("DBUS_SESSION_BUS_ADDRESS", None)
        shutil.rmtree(work, ignore_errors=True)


def show_and_dismiss(name, case, process, display, window, out_dir):
    if case.backend == "x11":
        window = poll_until(f"a window titled {case.title!r}",
                            lambda: window_by_title(display, case.title), 20, process)

    box = None
    if case.session_bus:
        box = poll_until("the box in the accessibility tree",
                         lambda: find_box(process.pid, case.title), 20, process)
        shown = read_box(box)
        pyatspi = atspi()
        check(shown["role"] == pyatspi.ROLE_ALERT, f"role {shown['role']}, not an alert box")
        check(shown["modal"], "the box is not modal")
        # On Wayland the box draws its own title bar, with the title in it.
        expected = ([case.title] if case.backend == "wayland" else []) + [case.text]
        check(shown["texts"] == expected,
              f"the box shows {shown['texts']!r}, expected {expected!r}")
        check(selectable(shown["labels"][-1]), "the text cannot be selected")
        check(len(shown["buttons"]) == 1 and shown["buttons"][0].name == "OK",
              f"buttons {[b.name for b in shown['buttons']]}, expected one OK")
        check(len(shown["icons"]) == 1, f"{len(shown['icons'])} icons, expected one")

    screenshot = os.path.join(out_dir, f"{name}.png")
    take_screenshot(display, screenshot)
    # Where the accessibility tree gives screen positions (X11, unscaled),
    # the icon must be drawn: more than the flat background where it sits.
    if case.backend == "x11" and box is not None and "GDK_SCALE" not in case.env:
        icon = extents(shown["icons"][0])
        poll_until("the icon to be drawn",
                   lambda: take_screenshot(display, screenshot)
                   and unique_colours(screenshot, icon) > 8, 10, process)
    log(f"screenshot: {screenshot}")
    # The box holds the run until it is dismissed.
    time.sleep(0.2)
    check(process.poll() is None, f"velkor ended (exit {process.returncode}) before dismissal")
    dismiss(case, display, window, box, process)
    if case.backend == "x11":
        poll_until("the window to go", lambda: window_by_title(display, case.title) is None,
                   10)


def take_screenshot(display, path):
    result = xrun(display, "import", "-window", "root", path, timeout=20)
    check(result.returncode == 0, f"screenshot failed: {result.stderr}")
    return True


def dismiss(case, display, window, box, process):
    method = case.dismiss
    if method.startswith("key:"):
        # GTK ignores synthetic key events: focus the window, wait until the
        # toolkit knows it is active, then press the key through XTest.
        result = xrun(display, "xdotool", "windowfocus", "--sync", window)
        check(result.returncode == 0, f"cannot focus the box: {result.stderr}")
        if box is not None:
            poll_until("the box to become active",
                       lambda: box.getState().contains(atspi().STATE_ACTIVE), 10, process)
        result = xrun(display, "xdotool", "key", method[4:])
        check(result.returncode == 0, f"key press failed: {result.stderr}")
    elif method == "click":
        x, y, w, h = extents(read_box(box)["buttons"][0])
        result = xrun(display, "xdotool", "mousemove", "--sync", str(x + w // 2),
                      str(y + h // 2), "click", "1")
        check(result.returncode == 0, f"click failed: {result.stderr}")
    elif method == "close":
        send_delete_window(display, window)
    else:
        raise Failure(f"unknown way to dismiss: {method}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", action="store_true", help="print the case names")
    parser.add_argument("--velkor", help="the program under test")
    parser.add_argument("--out", help="folder for screenshots")
    parser.add_argument("case", nargs="?", choices=sorted(CASES))
    options = parser.parse_args()
    if options.list:
        print(";".join(CASES))
        return 0
    if not options.velkor or not options.out or not options.case:
        parser.error("--velkor, --out and a case are needed")
    os.makedirs(options.out, exist_ok=True)
    started = time.monotonic()
    try:
        run_case(options.case, CASES[options.case], os.path.abspath(options.velkor),
                 os.path.abspath(options.out))
    except Skipped as reason:
        log(f"SKIPPED: {reason}")
        return SKIP
    except (Failure, subprocess.TimeoutExpired) as failure:
        log(f"FAILED: {failure}")
        return 1
    log(f"passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # run the cleanups on a timeout
    sys.exit(main())
