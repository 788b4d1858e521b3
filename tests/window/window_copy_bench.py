#!/usr/bin/env python3
"""What the window costs a copy: a 1 GiB whole-store dump of a simulated device, in the window and headless.

Usage: window_copy_bench.py VORSK [RUNS]   (needs Xvfb and xdotool; not part of ctest)

Prints the median of RUNS (default 5) for each: headless, the whole `vorsk --sim FILE dump` process;
window, from the click on Save to the result box (the window's repaints during the copy included).
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import window_dialog_test as t  # noqa: E402

SECTORS = 2097152  # 1 GiB of 512-byte sectors: 128 blocks of 8 MiB


def device_file(root, name):
    path = os.path.join(root, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    device = dict(t.DEVICE)
    device["stores"] = [dict(t.DEVICE["stores"][0], sectors=SECTORS, partitions=[], bootRecord=[]),
                        t.DEVICE["stores"][1]]
    with open(os.path.join(path, "device.json"), "w") as f:
        json.dump(device, f)
    return os.path.join(path, "device.json")


def window_copy(vorsk, env, file):
    win = t.Window(vorsk, file, env)
    rects = {int(k): v for k, v in win.wait_for("shown", "the dialog")["shown"].items()}
    dialog = rects[0]
    t.xdo(env, "mousemove", dialog[0] + 5, dialog[1] + dialog[3] - 5)
    x, y = t.centre(rects[t.STORE_LIST])
    t.xdo(env, "mousemove", x, y, "click", 1)
    time.sleep(0.5)
    t.xdo(env, "key", "Return")
    win.wait_for("panel", "the start panel")
    win.wait_for("panel", "the store's panel")
    time.sleep(0.3)
    x, y = t.centre(rects[t.SAVE])
    start = time.time()
    t.xdo(env, "mousemove", x, y, "click", 1)
    win.wait_for("box", "the result box", timeout=300)
    elapsed = time.time() - start
    box = t.xdo(env, "search", "--sync", "--onlyvisible", "--name", "^vorsk$").split()[0]
    t.xdo(env, "windowfocus", "--sync", box)
    t.xdo(env, "key", "Return")
    win.proc.wait(timeout=30)
    return elapsed


def main():
    vorsk = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    xvfb, display = t.start_xvfb()
    env = dict(os.environ, DISPLAY=display, NO_AT_BRIDGE="1")
    headless, window = [], []
    try:
        with tempfile.TemporaryDirectory(prefix="vorsk-bench-") as root:
            for _ in range(runs):
                file = device_file(root, "headless")
                start = time.time()
                subprocess.run([vorsk, "--sim", file, "dump", "--store", "DSK1:"], capture_output=True, check=True)
                headless.append(time.time() - start)
                window.append(window_copy(vorsk, env, device_file(root, "window")))
    finally:
        xvfb.terminate()
        xvfb.wait()
    print(f"1 GiB whole-store dump, median of {runs}: headless {statistics.median(headless):.2f} s, "
          f"window {statistics.median(window):.2f} s")


if __name__ == "__main__":
    main()
