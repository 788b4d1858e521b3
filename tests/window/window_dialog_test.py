#!/usr/bin/env python3
"""The dialog in a real window, driven as a user drives it: Xvfb, real X input from xdotool.

Usage: window_dialog_test.py VORSK SCREENSHOT_DIR

For each scenario the same actions run twice against the same simulated device: once headless
(`vorsk --sim FILE --trace act ...`) and once in the window (`vorsk --sim FILE --trace`), where the
mouse and keyboard do them. The panel texts and message boxes must be the same in both runs, the image
files byte for byte the same, and the window must close after "Done". Screenshots go to SCREENSHOT_DIR.
Exits 77 (skipped) when Xvfb, xdotool or ImageMagick's import is missing.
"""
import ctypes
import ctypes.util
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77

# Control IDs of the dialog template.
FULL, PART, HIDDEN, STORE_LIST, PART_LIST, SAVE = 1002, 1003, 1004, 1006, 1007, 1009
RADIOS = {"full": FULL, "partition": PART, "hidden": HIDDEN}

DEVICE = {
    "stores": [
        {"device": "DSK1:", "name": "NAND Flash", "profile": "FlashDisk", "bytesPerSector": 512, "sectors": 131072,
         "partitions": [{"name": "Part00", "fileSystem": "FATFS", "type": 11, "sectors": 32705},
                        {"name": "Part01", "fileSystem": "FATFS", "type": 11, "sectors": 16384}],
         "bootRecord": [{"type": 11, "start": 63, "sectors": 32705}, {"type": 11, "start": 34816, "sectors": 16384}]},
        {"device": "DSK2:", "name": "SD Card", "profile": "SDMemory", "bytesPerSector": 512, "sectors": 262144,
         "partitions": [{"name": "Part00", "fileSystem": "FATFS", "type": 12, "sectors": 253952}],
         "bootRecord": [{"type": 12, "start": 8192, "sectors": 253952}]},
    ],
    "registry": {"FlashDisk": "ResidentFlash", "SDMemory": "Storage Card"},
    "folders": {
        "ResidentFlash": {"path": "flash", "totalBytes": 60000000, "freeBytes": 1000000},
        "Storage Card": {"path": "card", "totalBytes": 8000000000, "freeBytes": 4000000000},
    },
}

# name, actions (as `vorsk act` spells them), changes to DEVICE, screenshots to take: {after action index: name}
SCENARIOS = [
    ("partition",
     # Clicking a checked radio button again notifies again: "full" and "partition" come twice.
     ["store-index=0", "partition", "part-index=1", "hidden", "full", "full", "partition", "partition",
      "part-index=0", "part-index=1", "save"],
     {}, {-1: "01-after-start", 2: "02-partition-selected"}),
    ("hidden", ["store-index=0", "hidden", "save"], {}, {}),
    # Escape, and the window manager's close request, are Cancel: the dialog ends at once and writes
    # nothing (the headless run closes by itself after its last action).
    ("escape", ["store-index=1", "partition", "escape"], {}, {}),
    ("close", ["store-index=0", "hidden", "close"], {}, {}),
    # No store: the box comes before the dialog shows, and the panel keeps its template text.
    ("no-store", ["escape"], {"stores": []}, {}),
    # A close request during the copy waits for it: the copy completes, "Done", then the window closes.
    ("full-slow", ["store-index=0", "partition", "full", "save"], {"readDelayMs": 400}, {"copy": "03-slow-copy", "box": "04-done-box"}),
]
WINDOW_ONLY = ("escape", "close")


class Failure(Exception):
    pass


def have(tool):
    return shutil.which(tool) is not None


def start_xvfb():
    """Starts Xvfb on a display number it picks itself; returns (process, ':N')."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        number = f.readline().strip()
    if not number:
        proc.kill()
        raise Failure("Xvfb did not start")
    return proc, ":" + number


class X:
    """The two things a window manager does that this test needs, through libX11: asking a window to
    close (WM_DELETE_WINDOW, as the caption's close button does) and reading a window's icon sizes."""

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

    def __init__(self, display):
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                        ctypes.c_void_p]
        self.lib.XFlush.argtypes = [ctypes.c_void_p]
        self.lib.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
            ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        self.lib.XFree.argtypes = [ctypes.c_void_p]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.lib.XOpenDisplay(display.encode())
        if not self.dpy:
            raise Failure(f"cannot open {display} with libX11")

    def atom(self, name):
        return self.lib.XInternAtom(self.dpy, name.encode(), 0)

    def request_close(self, window):
        event = X.ClientMessage(type=33, window=window, message_type=self.atom("WM_PROTOCOLS"), format=32)
        event.data[0] = self.atom("WM_DELETE_WINDOW")
        self.lib.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(event))
        self.lib.XFlush(self.dpy)

    def icon_sizes(self, window):
        kind, fmt, count, after, data = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong(), \
            ctypes.c_void_p()
        self.lib.XGetWindowProperty(self.dpy, window, self.atom("_NET_WM_ICON"), 0, 1 << 20, 0, 0,
                                    ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after),
                                    ctypes.byref(data))
        if not data.value:
            return []
        longs = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))
        sizes, i = [], 0
        while i + 2 <= count.value:
            width, height = longs[i], longs[i + 1]
            sizes.append((width, height))
            i += 2 + width * height
        self.lib.XFree(data)
        return sorted(sizes)

    def close(self):
        self.lib.XCloseDisplay(self.dpy)


class Window:
    """A `vorsk --trace` window run; its JSON lines are read as they come."""

    def __init__(self, vorsk, device_file, env):
        self.env = env
        self.proc = subprocess.Popen([vorsk, "--sim", device_file, "--trace"], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, env=env)
        self.lines = []
        self.taken = {}
        self.ended = False
        threading.Thread(target=self._read, daemon=True).start()
        self.stderr = []
        threading.Thread(target=lambda: self.stderr.extend(self.proc.stderr), daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(json.loads(line))
        self.ended = True

    def wait_for(self, key, what, timeout=20):
        """The next record with `key` that no earlier wait took."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for i in range(self.taken.get(key, 0), len(self.lines)):
                if key in self.lines[i]:
                    self.taken[key] = i + 1
                    return self.lines[i]
            if self.ended:
                break
            time.sleep(0.05)
        raise Failure(f"the window never showed {what}; stderr: {''.join(self.stderr)[-2000:]}")

    def panels(self):
        return [r["panel"] for r in self.lines if "panel" in r]

    def boxes(self):
        return [r["box"] for r in self.lines if "box" in r]


def xdo(env, *args):
    return subprocess.run(["xdotool", *map(str, args)], env=env, check=True, capture_output=True,
                          text=True).stdout.strip()


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def screenshot(env, rect, path):
    x, y, w, h = rect
    subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], env=env, check=True)


def headless(vorsk, device_file, actions):
    command = ["act", *actions] if actions else ["list"]
    out = subprocess.run([vorsk, "--sim", device_file, "--trace", *command], capture_output=True, text=True)
    if out.returncode != 0:
        raise Failure(f"headless run failed ({out.returncode}): {out.stderr}")
    records = [json.loads(line) for line in out.stdout.splitlines()]
    # Panel texts after each step: before the first action, then after each action.
    steps, current = [], []
    for r in records:
        if "panel" in r:
            current.append(r["panel"])
        elif "state" in r:
            steps.append(current)
            current = []
    steps.append(current)
    return records, steps


def device_dir(root, name, changes):
    path = os.path.join(root, name)
    os.makedirs(path)
    device = dict(DEVICE, **changes)
    with open(os.path.join(path, "device.json"), "w") as f:
        json.dump(device, f)
    return os.path.join(path, "device.json")


def images(folder_root):
    found = {}
    for base, _, files in os.walk(folder_root):
        for name in files:
            if name.endswith(".img"):
                with open(os.path.join(base, name), "rb") as f:
                    found[os.path.relpath(os.path.join(base, name), folder_root)] = f.read()
    return found


def ok_box(env, caption, shot=None):
    """Presses OK on the box with this caption, after a screenshot of it to `shot` if given."""
    box_window = xdo(env, "search", "--sync", "--onlyvisible", "--name", f"^{caption}$").split()[0]
    xdo(env, "windowfocus", "--sync", box_window)
    geometry = xdo(env, "getwindowgeometry", "--shell", box_window)
    g = dict(line.split("=") for line in geometry.splitlines())
    if shot:
        screenshot(env, [int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])], shot)
    xdo(env, "mousemove", int(g["X"]) + int(g["WIDTH"]) // 2, int(g["Y"]) + 5)
    xdo(env, "key", "Return")


def run_scenario(vorsk, env, xlib, root, shots_dir, name, actions, changes, shots):
    delay = changes.get("readDelayMs", 0)
    ref_file = device_dir(root, name + "-headless", changes)
    win_file = device_dir(root, name + "-window", changes)
    ref_records, ref_steps = headless(vorsk, ref_file, [a for a in actions if a not in WINDOW_ONLY])

    win = Window(vorsk, win_file, env)
    if not changes.get("stores", True):
        box = win.wait_for("box", "the box that no store was found")["box"]
        ok_box(env, box["caption"])
    shown = win.wait_for("shown", "the dialog")["shown"]
    rects = {int(k): v for k, v in shown.items()}
    dialog = rects[0]
    main_window = int(xdo(env, "search", "--sync", "--onlyvisible", "--name", "Vorsk").split()[0])
    caption = xdo(env, "getwindowname", main_window)
    if caption != "Vorsk   v1.3":
        raise Failure(f"caption is {caption!r}")
    icons = xlib.icon_sizes(main_window)
    if icons != [(16, 16), (32, 32), (48, 48)]:
        raise Failure(f"the window's icons are {icons}, not the 16, 32 and 48 pixel images of icon 128")
    # The pointer rests on the dialog, so that keys reach it (there is no window manager to give focus).
    xdo(env, "mousemove", dialog[0] + 5, dialog[1] + dialog[3] - 5)
    expected_count = len(ref_steps[0])

    def settle():
        nonlocal expected_count
        deadline = time.time() + 10
        while len(win.panels()) < expected_count and time.time() < deadline:
            time.sleep(0.05)
        time.sleep(0.3)  # let the window repaint before anything looks at it

    settle()
    if -1 in shots:
        screenshot(env, dialog, os.path.join(shots_dir, shots[-1] + ".png"))
    selection = {STORE_LIST: -1, PART_LIST: -1}
    for i, action in enumerate(actions):
        expected_count += len(ref_steps[i + 1]) if i + 1 < len(ref_steps) else 0
        if action in WINDOW_ONLY:
            if action == "escape":
                xdo(env, "key", "Escape")
            else:
                xlib.request_close(main_window)
            win.wait_for("closed", f"its close after {action}", timeout=5)
            continue
        if action in RADIOS or action == "save":
            x, y = centre(rects[RADIOS.get(action, SAVE)])
            xdo(env, "mousemove", x, y, "click", 1)
        elif action.startswith(("store-index=", "part-index=")):
            # Open the list with a click, then pick the entry with the keyboard: the open list starts on the
            # selected entry (the first when there is none).
            list_id = STORE_LIST if action.startswith("store") else PART_LIST
            target = int(action.split("=")[1])
            x, y = centre(rects[list_id])
            xdo(env, "mousemove", x, y, "click", 1)
            time.sleep(0.5)
            moves = target - max(selection[list_id], 0)
            for _ in range(abs(moves)):
                xdo(env, "key", "Down" if moves > 0 else "Up")
            xdo(env, "key", "Return")
            selection[list_id] = target
            if action.startswith("store"):
                selection[PART_LIST] = -1
        else:
            raise Failure(f"no way to do {action}")
        if action == "save":
            if "copy" in shots:
                # Wait until the bar has moved a little, then look.
                time.sleep(delay / 1000 * 3.5)
                screenshot(env, dialog, os.path.join(shots_dir, shots["copy"] + ".png"))
                xlib.request_close(main_window)
            box = win.wait_for("box", "the result box", timeout=60)["box"]
            time.sleep(0.5)
            ok_box(env, box["caption"], os.path.join(shots_dir, shots["box"] + ".png") if "box" in shots else None)
            win.wait_for("closed", "its close after the box")
            if box["text"] != "Done":
                raise Failure(f"the box said {box['text']!r}")
        else:
            settle()
        if i in shots:
            screenshot(env, dialog, os.path.join(shots_dir, shots[i] + ".png"))

    try:
        win.proc.wait(timeout=15)
    except subprocess.TimeoutExpired:
        win.proc.kill()
        raise Failure("the program did not end after its window closed")
    if win.proc.returncode != 0:
        raise Failure(f"vorsk ended with {win.proc.returncode}: {''.join(win.stderr)}")

    ref_panels = [r["panel"] for r in ref_records if "panel" in r]
    ref_boxes = [r["box"] for r in ref_records if "box" in r]
    if win.panels() != ref_panels:
        raise Failure("panel texts differ:\nwindow:   " + json.dumps(win.panels(), indent=1) +
                      "\nheadless: " + json.dumps(ref_panels, indent=1))
    if win.boxes() != ref_boxes:
        raise Failure(f"boxes differ: window {win.boxes()} headless {ref_boxes}")
    ref_images = images(os.path.dirname(ref_file))
    win_images = images(os.path.dirname(win_file))
    if not ref_images and "save" in actions:
        raise Failure("the headless run wrote no image")
    if ref_images.keys() != win_images.keys():
        raise Failure(f"image files differ: window {sorted(win_images)} headless {sorted(ref_images)}")
    for path, data in ref_images.items():
        if win_images[path] != data:
            raise Failure(f"{path}: the window's image differs from the headless run's")
    return f"{len(ref_panels)} panel texts, {len(ref_boxes)} boxes, images {sorted(ref_images)}"


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    vorsk, shots_dir = os.path.abspath(sys.argv[1]), sys.argv[2]
    # Without a display the program says so, points to the command line, and ends with exit code 2.
    no_display = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    for command in ([vorsk, "--demo"], [vorsk, "gui", "--demo"]):
        out = subprocess.run(command, env=no_display, capture_output=True, text=True, timeout=30)
        if out.returncode != 2 or "no display" not in out.stderr or "vorsk --demo list" not in out.stderr:
            print(f"FAIL {' '.join(command[1:])} without a display: exit {out.returncode}, {out.stderr!r}")
            print("0 passed, 1 failed")
            return 1
    missing = [tool for tool in ("Xvfb", "xdotool", "import") if not have(tool)]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing) + " (scripts/setup installs them)")
        return SKIP
    os.makedirs(shots_dir, exist_ok=True)
    xvfb, display = start_xvfb()
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY",)}
    env.update(DISPLAY=display, NO_AT_BRIDGE="1", GTK_THEME="Adwaita")
    failures = 0
    try:
        xlib = X(display)
        with tempfile.TemporaryDirectory(prefix="vorsk-window-") as root:
            for name, actions, changes, shots in SCENARIOS:
                try:
                    result = run_scenario(vorsk, env, xlib, root, shots_dir, name, actions, changes, shots)
                    print(f"ok   {name}: {result}")
                except Failure as failure:
                    failures += 1
                    print(f"FAIL {name}: {failure}")
        xlib.close()
    finally:
        xvfb.terminate()
        xvfb.wait()
    print(f"screenshots in {os.path.abspath(shots_dir)}")
    print(f"{len(SCENARIOS) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
