#!/usr/bin/env python3
"""The real player on hostile files: how long until it refuses (or plays)
them, its peak memory, and how long it takes to end after SIGTERM; the
figures of docs/benchmarks.md.

usage: bench/hostile_player.py <build> <hostile folder> [case ...]

<build> holds zemo-player and its Media folder (a release build); the
hostile folder is what make-hostile-files wrote. Each case runs the player
in a folder of its own on a private Xvfb display, with SDL_AUDIODRIVER=dummy
and /usr/bin/time -v, one case at a time.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# case: (file in the hostile folder, its name in Media, line awaited, joins)
CASES = {
    "view_16384": ("view_16384.zemo", "zzz_game.zemo", False),
    "view_8192": ("view_8192.zemo", "zzz_game.zemo", False),
    "sheets_340": ("sheets_340.zemo", "zzz_game.zemo", False),
    "sheets_505": ("sheets_505.zemo", "zzz_game.zemo", False),
    "swarm_1000": ("swarm_1000.zemo", "zzz_game.zemo", True),
    "swarm_2000": ("swarm_2000.zemo", "zzz_game.zemo", True),
    "stub_png": ("stub_16384.png", "joypad0.png", False),
    "blank_png": ("blank_16384.png", "joypad0.png", False),
    "stub_jpeg": ("stub_16384.jpg", "joypad0.png", False),
    "scans_jpeg": ("scans_16384.jpg", "joypad0.png", False),
    "blank_8192": ("blank_8192.png", "joypad0.png", False),
    "blank_8193": ("blank_8193x8191.png", "joypad0.png", False),
    "rgba_4096": ("rgba_4096.png", "joypad0.png", False),
    "demo": (None, None, True),
}
WAIT_S = 300  # for a line, or for the end after SIGTERM


def start_display():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    display = os.read(read_fd, 64).decode().strip()
    os.close(read_fd)
    return xvfb, ":" + display


class Player:
    def __init__(self, folder, env):
        self.out = b""
        self.time_file = os.path.join(folder, "time.txt")
        self.proc = subprocess.Popen(["/usr/bin/time", "-v", "-o", self.time_file,
                                      os.path.join(folder, "zemo-player")],
                                     cwd=folder, env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        os.set_blocking(self.proc.stdout.fileno(), False)
        self.started = time.monotonic()

    def read(self):
        try:
            chunk = self.proc.stdout.read()
        except BlockingIOError:
            chunk = None
        if chunk:
            self.out += chunk

    def wait_line(self, lines, timeout):
        """The first of the lines to arrive and the seconds since the start."""
        end = time.monotonic() + timeout
        while True:
            self.read()
            for line in lines:
                if ("\n" + line + "\n").encode() in b"\n" + self.out:
                    return line, time.monotonic() - self.started
            if self.proc.poll() is not None or time.monotonic() > end:
                return "nothing", None
            time.sleep(0.01)

    def the_player(self):
        # /usr/bin/time's child: the player itself gets the signal.
        kids = subprocess.run(["pgrep", "-P", str(self.proc.pid)], capture_output=True,
                              text=True).stdout.split()
        return int(kids[0]) if kids else None

    def end(self):
        pid = self.the_player()
        t0 = time.monotonic()
        if pid:
            os.kill(pid, signal.SIGTERM)
        try:
            self.proc.wait(WAIT_S)
            ended = time.monotonic() - t0
        except subprocess.TimeoutExpired:
            pid = self.the_player()
            if pid:
                os.kill(pid, signal.SIGKILL)
            self.proc.wait()
            ended = None
        self.read()
        return ended

    def peak_mb(self):
        with open(self.time_file) as f:
            for line in f:
                if "Maximum resident set size" in line:
                    return int(line.split(":")[1]) / 1024.0
        return float("nan")


def run_case(build, hostile, name, display):
    source, media_name, joins = CASES[name]
    folder = tempfile.mkdtemp(prefix="hostile-")
    try:
        shutil.copy(os.path.join(build, "zemo-player"), folder)
        shutil.copytree(os.path.join(build, "Media"), os.path.join(folder, "Media"))
        if source:
            shutil.copy(os.path.join(hostile, source), os.path.join(folder, "Media", media_name))
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy",
                   XDG_CONFIG_HOME=os.path.join(folder, "config"))
        player = Player(folder, env)
        reached, at = player.wait_line(["run game", "Load Error!"], WAIT_S)
        joined = None
        if reached == "run game" and joins:
            subprocess.run(["xdotool", "search", "--sync", "--name", "Star Patrol", "windowfocus",
                            "--sync"], env=env, capture_output=True, timeout=60)
            subprocess.run(["xdotool", "keydown", "Control_R", "sleep", "0.3", "keyup",
                            "Control_R"], env=env, capture_output=True, timeout=60)
            joined = player.wait_line(["running 0"], WAIT_S)[1]
            time.sleep(3)  # the swarm's first frames
        ended = player.end()
        status = player.proc.returncode
        fmt = lambda v: "-" if v is None else "%.2f s" % v
        print("%-11s %-11s after %-9s joined %-9s peak %7.0f MB  ended %-9s after SIGTERM, "
              "status %s" % (name, reached, fmt(at), fmt(joined), player.peak_mb(), fmt(ended),
                             status), flush=True)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    build, hostile = sys.argv[1], sys.argv[2]
    names = sys.argv[3:] or list(CASES)
    xvfb, display = start_display()
    try:
        for name in names:
            run_case(build, hostile, name, display)
    finally:
        xvfb.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
