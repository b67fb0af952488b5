#!/usr/bin/python3
"""The real velkor binary in a hostile environment, and under memcheck.

Each case runs velkor as a child process, on its own Xvfb where it needs a
display, finds the box by its title through the window system alone, dismisses
it with a key press through XTest and checks how the process ended: its exit
code, that it was not ended by a signal, and what it wrote.

    real_process.py --velkor PATH [--suppressions FILE] CASE
    real_process.py --list
Exit codes: 0 passed, 1 failed, 77 skipped (the reason is printed).
"""

import argparse
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from harness import Failure, Skipped, Xvfb, check, log, poll_until, stop  # noqa: E402

SKIP = 77
EN_TITLE = "Tesk-Velkor 1.01"
SV_TITLE = "Velkor 1.01"
NO_DISPLAY_REPORT = (r"Exception \w+ in module velkor at [0-9A-F]{8}\.\r\n"
                     r"Invalid floating point operation\.\r\n")

class Work:
    """A scratch folder with an empty runtime folder, so that no stray
    Wayland socket or session bus is found, and the run's output files."""

    def __init__(self, name):
        self.path = tempfile.mkdtemp(prefix=f"velkor-hardening-{name}-")
        self.runtime = os.path.join(self.path, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        os.makedirs(os.path.join(self.path, "home"))
        self.cleanups = []

    def environment(self, display=None, **extra):
        env = {"PATH": "/usr/bin:/bin", "HOME": os.path.join(self.path, "home"),
               "XDG_RUNTIME_DIR": self.runtime, "LANG": "en_US.UTF-8"}
        if display is not None:
            env["DISPLAY"] = display
        # Sanitizer settings of the build under test pass through.
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        for name, value in extra.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def close(self):
        for cleanup in reversed(self.cleanups):
            cleanup()
        shutil.rmtree(self.path, ignore_errors=True)


class Run:
    """One velkor process with its output going to files."""

    def __init__(self, work, command, env, preexec=None):
        self.work = work
        self.out_path = os.path.join(work.path, "stdout")
        self.err_path = os.path.join(work.path, "stderr")
        self.started = time.monotonic()
        with open(self.out_path, "wb") as out, open(self.err_path, "wb") as err:
            self.process = subprocess.Popen(command, env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL, cwd=work.path,
                                            preexec_fn=preexec)
        work.cleanups.append(lambda: stop(self.process))

    def wait(self, seconds, what="velkor to end"):
        try:
            self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            raise Failure(f"velkor hung: still running {seconds} s after waiting for {what}")
        code = self.process.returncode
        if code < 0:
            raise Failure(f"velkor was ended by signal {signal.Signals(-code).name}")
        with open(self.out_path, "rb") as f:
            self.stdout = f.read().decode("utf-8", errors="replace")
        with open(self.err_path, "rb") as f:
            self.stderr = f.read().decode("utf-8", errors="replace")
        return code


def window_of(display, title):
    result = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$"],
        env={"PATH": "/usr/bin:/bin", "DISPLAY": display}, capture_output=True, text=True,
        timeout=10)
    ids = result.stdout.split()
    return ids[0] if ids else None


def wait_for_box(display, run, title, seconds=20):
    """The title of the box that appears; fails if it is not the expected one."""
    other = SV_TITLE if title == EN_TITLE else EN_TITLE
    try:
        found = poll_until(f"a box titled {title!r}",
                           lambda: (window_of(display, title) and title)
                           or (window_of(display, other) and other),
                           seconds, run.process)
    except Failure as failure:
        with open(run.err_path, "rb") as f:
            raise Failure(f"{failure}; stderr: {f.read().decode(errors='replace')!r}")
    check(found == title, f"the box is titled {found!r}, expected {title!r}")
    return window_of(display, title)


def press_return(display, window, run, seconds=20):
    """Return through XTest once the box has the focus; GTK ignores synthetic
    key events. Pressed again if the first press came before the toolkit
    knew it had the focus."""
    env = {"PATH": "/usr/bin:/bin", "DISPLAY": display}
    end = time.monotonic() + seconds
    while run.process.poll() is None and time.monotonic() < end:
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env,
                       capture_output=True, timeout=10)
        time.sleep(0.2)
        subprocess.run(["xdotool", "key", "Return"], env=env, capture_output=True, timeout=10)
        try:
            run.process.wait(1.5)
        except subprocess.TimeoutExpired:
            pass


def check_quiet(run):
    check(run.stdout == "", f"velkor wrote to stdout: {run.stdout!r}")
    check(run.stderr == "", f"velkor wrote to stderr: {run.stderr!r}")


def show_and_dismiss(work, display, args, title, seconds=20,
                     command_prefix=(), preexec=None, **env):
    run = Run(work, [*command_prefix, work.velkor, *args], work.environment(display, **env),
              preexec)
    window = wait_for_box(display, run, title, seconds)
    shown_after = time.monotonic() - run.started
    press_return(display, window, run, seconds)
    code = run.wait(seconds, "the box to be dismissed")
    check(code == 0, f"exit code {code} after the box was dismissed, expected 0")
    check_quiet(run)
    return run, shown_after


# --- The cases ----------------------------------------------------------------

def hostile_locales(work):
    """Locale variables that name nothing usable: English, or Swedish exactly
    when the name says Swedish (Sweden), and the run ends normally."""
    cases = [
        ({"LANG": "garbage!!"}, EN_TITLE),
        ({"LANG": b"\xe5\xe4\xf6_\x01.UTF-8"}, EN_TITLE),  # not even UTF-8
        ({"LANG": "xx_YY.UTF-8"}, EN_TITLE),          # well formed, not installed
        ({"LANG": "sv_SE.KOI8-R"}, SV_TITLE),         # Swedish (Sweden), not installed
        ({"LANG": "sv_SE.UTF-8", "LC_ALL": "C"}, EN_TITLE),
        ({"LANG": None, "LC_ALL": "C", "LC_MESSAGES": "sv_SE.UTF-8"}, EN_TITLE),
        ({"LANG": "", "LC_ALL": ""}, EN_TITLE),       # set and empty counts as unset
        ({"LANG": None, "LC_MESSAGES": "sv_SE.UTF-8", "LC_NUMERIC": "garbage"}, SV_TITLE),
    ]
    xvfb = Xvfb(work.path)
    work.cleanups.append(xvfb.close)
    for env, title in cases:
        log(f"  {env} -> {title}")
        show_and_dismiss(work, xvfb.display, [], title, **env)


def invalid_utf8_arguments(work):
    """Bytes that do not decode never match a switch, and never stop the
    arguments after them from matching."""
    cases = [
        ("en_US.UTF-8", [b"/SWEDISH\xff", b"\xc0\xafSWEDISH", b"/SWE\xed\xa0\x80DISH"], EN_TITLE),
        ("en_US.UTF-8", [b"\xff\xfe\xfd", b"\xf4\x90\x80\x80", b"/swedish"], SV_TITLE),
        ("sv_SE.UTF-8", [b"\x80", b"\xe2\x82", b"/ENGLISH"], EN_TITLE),
        ("C", [b"/SWEDISH\xe9"], EN_TITLE),
        ("C", [b"\xe9\xff", b"/Swedish"], SV_TITLE),
        ("sv_SE.ISO-8859-15", [b"\xe5\xe4\xf6\xa4", b"/english"], EN_TITLE),
        ("ja_JP.EUC-JP", [b"\xff/SWEDISH", b"\x8e", b"/SWEDISH"], SV_TITLE),
    ]
    xvfb = Xvfb(work.path)
    work.cleanups.append(xvfb.close)
    for lang, args, title in cases:
        log(f"  LANG={lang} {args} -> {title}")
        show_and_dismiss(work, xvfb.display, args, title, LANG=lang)


def unlimited_stack():
    resource.setrlimit(resource.RLIMIT_STACK, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))


def most_arguments(length, env):
    """How many arguments of length bytes one exec takes with an unlimited
    stack (Linux allows a quarter of the stack limit, at most 6 MiB)."""
    def fits(n):
        try:
            subprocess.run(["/bin/true"] + ["x" * length] * n, env=env, preexec_fn=unlimited_stack,
                           check=True)
            return True
        except OSError:
            return False
    low, high = 1, 1 << 17
    while low < high:
        middle = (low + high + 1) // 2
        if fits(middle):
            low = middle
        else:
            high = middle - 1
    return low


def argument_flood(work):
    """As many 1 KiB arguments as one exec can carry, the switch last."""
    xvfb = Xvfb(work.path)
    work.cleanups.append(xvfb.close)
    env = work.environment(xvfb.display)
    length = 1023  # and its NUL: 1 KiB each
    count = most_arguments(length, env) - 2  # room for the longer program name
    args = [(("/swedish" if i % 2 else "/ENGLISH") + chr(ord("a") + i % 26) * length)[:length]
            for i in range(count - 1)] + ["/SWEDISH"]
    _, baseline = show_and_dismiss(work, xvfb.display, ["/SWEDISH"], SV_TITLE,
                                   preexec=unlimited_stack)
    _, flooded = show_and_dismiss(work, xvfb.display, args, SV_TITLE, seconds=60,
                                  preexec=unlimited_stack)
    log(f"[ measured ] {count} arguments of 1 KiB in one exec: box shown {flooded:.2f} s after "
        f"the start, {baseline:.2f} s with one argument")


def no_display(work):
    """No display to be had: the fault report on stderr, exit code 1, at once."""
    free = next(n for n in range(4242, 4342) if not os.path.exists(f"/tmp/.X11-unix/X{n}")
                and not os.path.exists(f"/tmp/.X{n}-lock"))
    cases = [
        {"DISPLAY": f":{free}"},
        {"DISPLAY": "not a display"},
        {"DISPLAY": ""},
        {"DISPLAY": None},
        {"DISPLAY": None, "WAYLAND_DISPLAY": "no-such-socket", "GDK_BACKEND": "wayland"},
    ]
    for env in cases:
        log(f"  {env}")
        run = Run(work, [work.velkor], work.environment(None, **env))
        code = run.wait(20)
        check(code == 1, f"exit code {code}, expected 1")
        check(run.stdout == "", f"velkor wrote to stdout: {run.stdout!r}")
        check(re.fullmatch(NO_DISPLAY_REPORT, run.stderr) is not None,
              f"stderr was {run.stderr!r}, expected the fault report")


def display_lost(work):
    """The X server goes away while the box is shown: velkor ends promptly,
    with a non-zero exit code and not by a signal."""
    for how in (signal.SIGKILL, signal.SIGTERM):
        log(f"  the server ended by {how.name}")
        xvfb = Xvfb(work.path)
        work.cleanups.append(xvfb.close)
        run = Run(work, [work.velkor], work.environment(xvfb.display))
        wait_for_box(xvfb.display, run, EN_TITLE)
        xvfb.process.send_signal(how)
        xvfb.process.wait(10)
        xvfb.close()
        code = run.wait(15, "the display to go")
        check(code != 0, "exit code 0 although the box was never dismissed")
        check(not os.path.exists(os.path.join(work.path, "core")), "velkor left a core dump")


def memcheck(work):
    """A whole run under memcheck, box shown and dismissed, and the fault
    report without a display: no invalid access, nothing of ours lost."""
    if shutil.which("valgrind") is None:
        raise Skipped("valgrind is not installed")
    log_path = os.path.join(work.path, "memcheck.log")
    prefix = ["valgrind", "--error-exitcode=99", "--leak-check=full",
              "--errors-for-leak-kinds=definite", "--show-leak-kinds=definite",
              "--num-callers=40", f"--log-file={log_path}"]
    if work.suppressions:
        prefix.append(f"--suppressions={work.suppressions}")
    # GLib's own caches otherwise look like leaks to memcheck.
    env = {"G_SLICE": "always-malloc", "G_DEBUG": "gc-friendly"}

    def memcheck_log():
        with open(log_path, errors="replace") as f:
            return f.read()

    xvfb = Xvfb(work.path)
    work.cleanups.append(xvfb.close)
    try:
        show_and_dismiss(work, xvfb.display, [], EN_TITLE, seconds=120, command_prefix=prefix,
                         **env)
        report = memcheck_log()
        check("ERROR SUMMARY: 0 errors" in report, "memcheck found errors:\n" + report)

        run = Run(work, [*prefix, work.velkor], work.environment(None, DISPLAY=None, **env))
        code = run.wait(120)
        report = memcheck_log()
        check(code == 1, f"exit code {code} without a display, expected 1\n" + report)
        check("ERROR SUMMARY: 0 errors" in report, "memcheck found errors:\n" + report)
        check(re.fullmatch(NO_DISPLAY_REPORT, run.stderr) is not None,
              f"stderr was {run.stderr!r}, expected the fault report")
    except Failure:
        if os.path.exists(log_path):
            log(memcheck_log())
        raise


CASES = {
    "hostile_locales": hostile_locales,
    "invalid_utf8_arguments": invalid_utf8_arguments,
    "argument_flood": argument_flood,
    "no_display": no_display,
    "display_lost": display_lost,
    "memcheck": memcheck,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", action="store_true", help="print the case names")
    parser.add_argument("--velkor", help="the program under test")
    parser.add_argument("--suppressions", help="memcheck suppressions")
    parser.add_argument("case", nargs="?", choices=sorted(CASES))
    options = parser.parse_args()
    if options.list:
        print(";".join(CASES))
        return 0
    if not options.velkor or not options.case:
        parser.error("--velkor and a case are needed")
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            log(f"SKIPPED: {tool} is not installed")
            return SKIP
    work = Work(options.case)
    work.velkor = os.path.abspath(options.velkor)
    work.suppressions = options.suppressions and os.path.abspath(options.suppressions)
    started = time.monotonic()
    try:
        CASES[options.case](work)
    except Skipped as reason:
        log(f"SKIPPED: {reason}")
        return SKIP
    except (Failure, subprocess.TimeoutExpired) as failure:
        log(f"FAILED: {failure}")
        return 1
    finally:
        work.close()
    log(f"passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # clean up on a CTest timeout
    sys.exit(main())
