"""Driver of the journeys: the real Mirlo on a private X desktop.

Each journey gets its own Xvfb with openbox, a private HOME and XDG folders,
and a program folder holding copies of the built Mirlo and Launch (the
program-folder settings file lives there, so the build folder is never
written). Controls are reached the way a pupil reaches them: windows by their
title (and by process, since X hands a closed window's id on), the main
window's controls at their designed places, everything else with the
keyboard; what a text box shows is copied out of it through the clipboard.
Standard library only; input goes through xdotool, reading through xprop,
xwininfo and xclip. MIRLO_JOURNEY_DISPLAY fixes the display number (else Xvfb
picks a free one), MIRLO_JOURNEY_KEEP keeps the journey's folder, and
MIRLO_JOURNEY_SHOTS takes a screenshot at every window that comes up.
"""
import ctypes
import json
import os
import re
import shutil
import signal
import subprocess
import time
import traceback

SCREEN = "1280x1024x24"


class JourneyFailure(AssertionError):
    pass


def _end_with_parent():
    # A journey killed by ctest takes its X server and programs with it.
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def spawn(args, **kwargs):
    """A child process that does not outlive the journey."""
    return subprocess.Popen(args, preexec_fn=_end_with_parent, **kwargs)


def check(condition, message):
    if not condition:
        raise JourneyFailure(message)


def wait_for(what, probe, timeout=15.0, step=0.1):
    """Polls probe() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise JourneyFailure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(step)


# ---- Settings files (Windows-1252, CR LF) ------------------------------------

def read_ini(path):
    """{section: {key: value}} with lower-case names; checks the line ends."""
    with open(path, "rb") as f:
        data = f.read()
    check(b"\n" not in data.replace(b"\r\n", b""), "%s has a line not ended by CR LF" % path)
    sections = {}
    current = None
    for line in data.decode("cp1252").split("\r\n"):
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip().lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


def setting(ini, section, key):
    return ini.get(section.lower(), {}).get(key.lower(), "")


def write_ini(path, sections):
    """Writes settings the way the program stores them."""
    lines = []
    for section, keys in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % kv for kv in keys.items())
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


def scramble(text):
    """Stored form of a secret: hex triples (key, char xor key, filler)."""
    out = []
    for i, byte in enumerate(text.encode("cp1252")):
        key = 0xC1 + i % 23
        out.append("%02X%02X%02X" % (key, byte ^ key, 0x5A))
    return "".join(out)


def unscramble(stored):
    raw = bytes.fromhex(stored)
    return bytes(raw[i] ^ raw[i + 1] for i in range(0, len(raw) - 1, 3)).decode("cp1252")


# ---- The desktop ---------------------------------------------------------------

class Desktop:
    """Xvfb with openbox, and the journey's private folders."""

    def __init__(self, work):
        self.work = work
        self.home = os.path.join(work, "home")
        self.runtime = os.path.join(work, "run")
        for d in (self.home, self.runtime):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.config = os.path.join(self.home, ".config")
        self.xvfb = None
        self.wm = None
        self.bus = None  # the session bus of the accessibility journeys
        self.bus_address = None
        self.display = None
        self.shots = 0

    def env(self, extra=None):
        env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": self.runtime,
            "DISPLAY": self.display or "",
            "LANG": "C.UTF-8",
            "QT_QPA_PLATFORM": "xcb",
            "NO_AT_BRIDGE": "1",
        }
        if self.bus_address:
            # Qt's bridge to the accessibility bus, on as with a screen reader running.
            env.update({"DBUS_SESSION_BUS_ADDRESS": self.bus_address, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        # A sanitizer build's options reach the programs under test.
        env.update({k: v for k, v in os.environ.items() if k in ("ASAN_OPTIONS", "UBSAN_OPTIONS")})
        env.update(extra or {})
        return env

    def start(self):
        fixed = os.environ.get("MIRLO_JOURNEY_DISPLAY")
        log = open(os.path.join(self.work, "xvfb.log"), "wb")
        args = ["Xvfb", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"]
        if fixed:
            self.display = ":" + fixed.lstrip(":")
            self.xvfb = spawn(args + [self.display], stdout=log, stderr=log)
        else:
            # The server picks a free display and tells it on a pipe.
            r, w = os.pipe()
            self.xvfb = spawn(args + ["-displayfd", str(w)], pass_fds=(w,), stdout=log, stderr=log)
            os.close(w)
            with os.fdopen(r) as pipe:
                number = pipe.readline().strip()
            check(number, "Xvfb gave no display number (see xvfb.log)")
            self.display = ":" + number
        wait_for("the X server", lambda: self.run_ok(["xdpyinfo"]) or self.xvfb.poll() is not None)
        check(self.xvfb.poll() is None, "Xvfb ended at once (see %s/xvfb.log)" % self.work)
        wmlog = open(os.path.join(self.work, "openbox.log"), "wb")
        self.wm = spawn(["openbox"], env=self.env(), stdout=wmlog, stderr=wmlog)
        wait_for("the window manager",
                 lambda: "window id" in self.output(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]))

    def start_accessibility_bus(self):
        """A session bus of its own, which starts the accessibility bus when asked."""
        self.bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.bus_address = self.bus.stdout.readline().decode().strip()
        check(self.bus_address, "the session bus gave no address")

    def screen_reader(self, *args, timeout=30):
        """Runs screenreader.py (the tree, or an action) against the program."""
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screenreader.py")
        r = subprocess.run(["/usr/bin/python3", script] + list(args), env=self.env(),
                           capture_output=True, timeout=timeout)
        check(r.returncode == 0, "screenreader.py %s: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
        return r.stdout.decode()

    def accessible_tree(self, app="Mirlo"):
        """The program's objects as a screen reader meets them (dicts, see screenreader.py)."""
        return [json.loads(line) for line in self.screen_reader("tree", app).splitlines()]

    def pixels(self, path, x, y, w, h):
        """The (r, g, b) pixels of a rectangle of a screenshot, row by row."""
        raw = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                              "-depth", "8", "rgb:-"], capture_output=True, timeout=30).stdout
        check(len(raw) == w * h * 3, "could not read %dx%d pixels of %s" % (w, h, path))
        return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]

    def stop(self):
        for p in (self.bus, self.wm, self.xvfb):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    # -- X tools

    def output(self, args, timeout=10):
        try:
            r = subprocess.run(args, env=self.env(), capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return ""
        return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else ""

    def run_ok(self, args, timeout=10):
        try:
            return subprocess.run(args, env=self.env(), capture_output=True,
                                  timeout=timeout).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def xdo(self, *args):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                           capture_output=True, timeout=20)
        check(r.returncode == 0, "xdotool %s failed: %s" % (" ".join(map(str, args)),
                                                            r.stderr.decode(errors="replace")))
        return r.stdout.decode("utf-8", "replace")

    def screenshot(self, name):
        self.shots += 1
        path = os.path.join(self.work, "%02d-%s.png" % (self.shots, name))
        subprocess.run(["import", "-window", "root", path], env=self.env(),
                       capture_output=True, timeout=30)
        return path

    # -- Windows, by their title

    def windows(self, title):
        """Visible windows whose whole title is title (a regular expression)."""
        pattern = "^(%s)$" % title.replace("_", ".{1,2}")
        found = self.output(["xdotool", "search", "--onlyvisible", "--name", pattern])
        return [int(w) for w in found.split()]

    def window(self, title, timeout=15.0, alive=None):
        """The newest visible window titled so; alive() false ends the wait early."""
        def probe():
            if alive and not alive():
                raise JourneyFailure("the program ended while waiting for a window titled %r" % title)
            return (self.windows(title) or [None])[-1]
        wid = wait_for("a window titled %r" % title, probe, timeout)
        if os.environ.get("MIRLO_JOURNEY_SHOTS"):  # every step on file, while writing a journey
            time.sleep(0.3)
            self.screenshot(re.sub(r"\W+", "-", title)[:30])
        return wid

    def gone(self, wid, timeout=15.0):
        def hidden():
            state = self.output(["xwininfo", "-id", str(wid)])
            return not state or "IsViewable" not in state
        wait_for("window %d to close" % wid, hidden, timeout)

    def geometry(self, wid):
        """(x, y, width, height) of the window's inside, on the screen."""
        info = self.output(["xwininfo", "-id", str(wid)])
        nums = {k: int(v) for k, v in re.findall(r"(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", info)}
        check(len(nums) == 4, "no geometry for window %d" % wid)
        return (nums["Absolute upper-left X"], nums["Absolute upper-left Y"], nums["Width"], nums["Height"])

    def outer_geometry(self, wid):
        """(x, y, width, height) with the window manager's frame."""
        x, y, w, h = self.geometry(wid)
        found = re.search(r"=\s*(\d+), (\d+), (\d+), (\d+)",
                          self.output(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"]))
        left, right, top, bottom = (int(v) for v in found.groups()) if found else (0, 0, 0, 0)
        return x - left, y - top, w + left + right, h + top + bottom

    def window_class(self, wid):
        """The window's WM_CLASS: (instance, class)."""
        return tuple(re.findall(r'"([^"]*)"', self.output(["xprop", "-id", str(wid), "WM_CLASS"])))

    def popups(self, window_class):
        """Pop-up windows (lists, menus: no frame of the window manager) of a class, shown now."""
        shown = []
        for wid, cls in re.findall(r'^\s+(0x[0-9a-f]+) .*\("[^"]*" "([^"]*)"\)', self.output(
                ["xwininfo", "-root", "-children"]), re.M):
            if cls == window_class and "IsViewable" in self.output(["xwininfo", "-id", wid]):
                shown.append(int(wid, 16))
        return shown

    def icon(self, wid):
        """The window's first icon for the task bar: (width, height, {(x, y): (r, g, b, a)})."""
        out = self.output(["xprop", "-id", str(wid), "-notype", "32c", "_NET_WM_ICON"], timeout=20)
        values = [int(v) for v in re.findall(r"\d+", out.split("=", 1)[1])] if "=" in out else []
        if len(values) < 2:
            return 0, 0, {}
        w, h = values[0], values[1]
        argb = values[2:2 + w * h]
        return w, h, {(i % w, i // w): ((v >> 16) & 255, (v >> 8) & 255, v & 255, v >> 24)
                      for i, v in enumerate(argb)}

    def pid(self, wid):
        """The process behind a window; None once it is gone."""
        found = self.output(["xdotool", "getwindowpid", str(wid)]).strip()
        return int(found) if found.isdigit() else None

    def activate(self, wid):
        self.xdo("windowactivate", "--sync", wid)
        wait_for("window %d to have the focus" % wid,
                 lambda: self.output(["xdotool", "getactivewindow"]).strip() == str(wid), 5)

    # -- Input

    def keys(self, wid, *keys):
        """Keys to a window, after making it the active one."""
        self.activate(wid)
        for k in keys:
            self.xdo("key", "--clearmodifiers", k)
            time.sleep(0.08)

    def type(self, wid, text):
        self.activate(wid)
        self.xdo("type", "--clearmodifiers", "--delay", 25, text)
        time.sleep(0.1)

    def click(self, wid, x, y):
        """Left click at (x, y) inside a window."""
        self.activate(wid)
        left, top, _, _ = self.geometry(wid)
        # Arrive in two steps, so hover-driven controls see the pointer come in.
        self.xdo("mousemove", left + x - 3, top + y - 3)
        time.sleep(0.15)
        self.xdo("mousemove", left + x, top + y)
        time.sleep(0.15)
        self.xdo("click", 1)
        time.sleep(0.2)

    def screen_size(self):
        found = re.search(r"dimensions:\s+(\d+)x(\d+)", self.output(["xdpyinfo"]))
        check(found, "no screen size")
        return int(found.group(1)), int(found.group(2))

    def pointer(self):
        out = self.xdo("getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def clipboard(self):
        return self.output(["xclip", "-o", "-selection", "clipboard"], timeout=5)


# ---- The program -----------------------------------------------------------------

class Mirlo:
    """The program folder and one running Mirlo."""

    def __init__(self, desktop, build_bin, extra_env=None):
        self.desktop = desktop
        self.folder = os.path.join(desktop.work, "program")
        os.makedirs(self.folder, exist_ok=True)
        for name in ("Mirlo", "Launch"):
            shutil.copy2(os.path.join(build_bin, name), os.path.join(self.folder, name))
        self.extra_env = dict(extra_env or {})
        self.process = None
        self.log = None

    @property
    def program_settings(self):
        return os.path.join(self.folder, "Mirlox.ini")

    @property
    def working_settings(self):
        return os.path.join(self.desktop.config, "Mirlo", "Mirlox.ini")

    def start(self, command=None):
        """Starts Mirlo, or the given link to it (as the desktop entry's "mirlo")."""
        self.log = open(os.path.join(self.desktop.work, "mirlo.log"), "ab")
        self.process = spawn([command or os.path.join(self.folder, "Mirlo")],
                                        env=self.desktop.env(self.extra_env), cwd=self.desktop.home,
                                        stdout=self.log, stderr=self.log)
        return self.process

    def window(self, title, timeout=15.0):
        return self.desktop.window(title, timeout, alive=lambda: self.process.poll() is None)

    def still_running(self, after):
        """Checked after every dialog closes: the program must go on."""
        time.sleep(0.8)
        code = self.process.poll()
        check(code is None, "Mirlo ended (exit code %s) after %s" % (code, after))

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# ---- Running one journey -------------------------------------------------------

# The main window's designed size: places on it are given at this size.
DESIGN_SIZE = (480, 404)


def on_main(desk, main, at):
    """Where a designed place is now: a larger font grows the whole window by one factor."""
    _, _, width, height = desk.geometry(main)
    return round(at[0] * width / DESIGN_SIZE[0]), round(at[1] * height / DESIGN_SIZE[1])


def press(desk, main, at):
    desk.click(main, *on_main(desk, main, at))


def shown_text(desk, main, at):
    """What a text box of the main window shows, copied from it as a pupil would."""
    press(desk, main, at)
    desk.keys(main, "ctrl+a", "ctrl+c")
    time.sleep(0.2)
    return desk.clipboard()


def run(journeys, argv):
    """journey.py NAME BUILD_BIN WORK_ROOT: runs one journey of the table."""
    name, build_bin, work_root = argv[1], os.path.abspath(argv[2]), os.path.abspath(argv[3])
    work = os.path.join(work_root, name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    desktop = Desktop(work)
    started = time.monotonic()

    def give_up(signum, _frame):
        raise JourneyFailure("the journey was stopped (signal %d) or ran too long" % signum)
    signal.signal(signal.SIGTERM, give_up)
    signal.signal(signal.SIGALRM, give_up)
    signal.alarm(int(os.environ.get("MIRLO_JOURNEY_TIME_LIMIT", "200")))
    cleanups = []
    ok = False
    try:
        desktop.start()
        journeys[name](desktop, build_bin, cleanups)
        ok = True
    except Exception:
        traceback.print_exc()
        if desktop.display:
            print("screenshot: " + desktop.screenshot("failure"), flush=True)
        for log in ("mirlo.log", "xvfb.log", "openbox.log"):
            path = os.path.join(work, log)
            if os.path.exists(path) and os.path.getsize(path):
                with open(path, errors="replace") as f:
                    print("--- %s (end)\n%s" % (log, f.read()[-3000:]))
        print("journey folder kept: " + work)
    finally:
        signal.alarm(0)
        for undo in reversed(cleanups):
            try:
                undo()
            except Exception:
                traceback.print_exc()
        desktop.stop()
    print("journey %s: %s in %.1f s" % (name, "passed" if ok else "FAILED", time.monotonic() - started))
    if ok and not os.environ.get("MIRLO_JOURNEY_KEEP"):
        shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1
