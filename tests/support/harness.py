"""What the end-to-end and the hardening harnesses share: failures, waiting,
stopping processes, and a virtual X screen of its own for each case."""

import os
import subprocess
import time


class Failure(Exception):
    pass


class Skipped(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(message):
    print(message, flush=True)


def deadline_after(seconds):
    return time.monotonic() + seconds


def poll_until(what, probe, seconds, process=None):
    """Calls probe until it returns something truthy; fails after seconds or
    as soon as the process ends while still waited on."""
    end = deadline_after(seconds)
    while True:
        result = probe()
        if result:
            return result
        if process is not None and process.poll() is not None:
            raise Failure(f"velkor ended (exit {process.returncode}) while waiting for {what}")
        if time.monotonic() > end:
            raise Failure(f"timed out after {seconds} s waiting for {what}")
        time.sleep(0.05)


def stop(process, grace=3):
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Xvfb:
    def __init__(self, work, size=(1920, 1080)):
        read_end, write_end = os.pipe()
        self.log = open(os.path.join(work, "xvfb.log"), "wb")
        # -displayfd lets the server take the first free display number
        # itself, so parallel tests cannot race for one. -noreset keeps the
        # monitors defined below when their client disconnects.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size[0]}x{size[1]}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=self.log, stderr=self.log)
        os.close(write_end)
        number = b""
        end = deadline_after(15)
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n") and time.monotonic() < end:
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            stop(self.process)
            raise Failure("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def close(self):
        stop(self.process)
        self.log.close()
