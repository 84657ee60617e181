#!/usr/bin/env python3
"""A storm of use: the real program, with the MIDI stand-in preloaded, on a display of
its own, gets random clicks on every control, random keys, its help window toggled, its
MIDI ports plugged and unplugged at random and updates started from a firmware file of a
few short messages, for a bounded time. Then:

- it has not crashed and has logged no JUCE assertion;
- every message the stand-in received is one of the file's, complete;
- every "Update completed" (the program remembers the output at each one, which rewrites
  its settings file) follows a pass that delivered the whole file, in order, to one port;
- it still works: a last update completes, and closing the window ends it with exit
  code 0.

It is seeded: the seed is printed, and STORM_SEED=<seed> replays the same series of
random choices (what the program makes of them still depends on its timing: a box that
has or has not come yet). STORM_SECONDS sets its length (150 by default).

Usage: storm.py <Flashmere> <libfakeseq_preload.so>"""

import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

APP, PRELOAD = sys.argv[1], sys.argv[2]
SEED = int(os.environ.get("STORM_SEED") or random.SystemRandom().randrange(1, 2**31))
SECONDS = float(os.environ.get("STORM_SECONDS") or 150)
PORTS = ["Pedal MIDI", "Second Port", "Third Port"]
TITLE = "fw version 0.00"

# In window coordinates: a 4-pixel border, then a 26-pixel title bar (rows 4 to 29).
COMBO = (300, 166)
UPDATE = (589, 256)
HELP = (589, 43)
CLOSE = (629, 15)
HELP_CLOSE = (529, 15)  # the help window's close button, in its own coordinates
SAMPLE = (548, 254)  # a patch of the update button left of its text
MENU_ITEM_H, MENU_FIRST_PORT_Y = 28, 58
KEYS = ["Tab", "shift+Tab", "space", "Return", "Escape", "Up", "Down", "Left", "Right", "F1", "a", "alt+F4"]

work = tempfile.mkdtemp(prefix="flashmere-storm.")
log_path = os.path.join(work, "midi.log")
control_path = os.path.join(work, "fakeseq.control")
config = os.path.join(work, "config")
settings = os.path.join(config, "Flashmere", "Flashmere.settings")
output_path = os.path.join(work, "app.out")
shots = os.path.join(os.path.dirname(APP), "shots")
rng = random.Random(SEED)
app = None
actions = []  # what the storm did, for the story of a failure


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    print("--- the last steps:\n" + "\n".join(actions[-12:]), file=sys.stderr)
    print(f"replay with STORM_SEED={SEED} STORM_SECONDS={SECONDS:g}", file=sys.stderr)
    os.makedirs(shots, exist_ok=True)
    subprocess.run(["import", "-window", "root", os.path.join(shots, "storm-failure.png")], check=False)
    if os.path.exists(output_path):
        with open(output_path, errors="replace") as out:
            lines = [line for line in out if "BadAtom" not in line]
        print("--- program output:\n" + "".join(lines[-30:]), file=sys.stderr)
    if app is not None and app.poll() is None:
        app.kill()
    sys.exit(1)


def xdotool(*args, timeout=10):
    try:
        result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        fail("xdotool " + " ".join(map(str, args)) + " did not return: is the display stuck?")
    return result.stdout.split()


def windows(title):
    """The program's visible windows with exactly this title."""
    literal = "".join("\\" + c if c in ".^$*+?()[]{}|\\" else c for c in title)
    return xdotool("search", "--all", "--onlyvisible", "--pid", app.pid, "--name", f"^{literal}$")


def click(window, x, y):
    xdotool("mousemove", "--window", window, x, y, "click", 1)


BOX_TITLES = ["", "Update failed", "MIDI output busy", "Another product's firmware?"]


def boxes():
    """The message boxes shown: untitled ones, and those with the titles boxes have."""
    return [box for title in BOX_TITLES for box in windows(title)]


def help_windows(main):
    """The help window when it is shown: it lies over the update and Help buttons."""
    titled = xdotool("search", "--all", "--onlyvisible", "--pid", app.pid, "--name", ".")
    return [w for w in titled if w != main and w not in windows("menu") + boxes()]


def button_state(window):
    """The update button's colour, red or green, and whether it is faded (disabled)."""
    grab = subprocess.run(["import", "-window", window, "-crop", f"5x5+{SAMPLE[0]}+{SAMPLE[1]}", "+repage",
                           "-scale", "1x1!", "-depth", "8", "txt:-"], capture_output=True, text=True)
    try:
        r, g, b = (int(v) for v in grab.stdout.splitlines()[1].split("(")[1].split(")")[0].split(",")[:3])
    except (IndexError, ValueError):
        return "unknown"
    hue = "green" if g > r + 15 else "red" if r > g + 15 else "grey"
    return hue + (" enabled" if min(r, g, b) < 165 else " disabled")


def wait_for(condition, seconds, what):
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            fail(what)
        if app.poll() is not None:
            fail(f"the program ended (code {app.returncode}) while waiting: {what}")
        time.sleep(0.1)


def write_firmware():
    """Three messages of a few bytes, with the pedal's own header (manufacturer 00 7E 56,
    device 01, model 20); returns their hex forms in order."""
    messages = []
    for n, length in enumerate([9, 20, 9]):
        body = [0x00, 0x7E, 0x56, 0x01, 0x20, n] + [(n * 16 + k) & 0x7F for k in range(length - 8)]
        messages.append(bytes([0xF0, *body, 0xF7]))
    with open(os.path.join(work, "fw.syx"), "wb") as f:
        f.write(b"".join(messages))
    return [m.hex() for m in messages]


class CompletionWatch(threading.Thread):
    """Notes, on the same clock as the stand-in's log, each time the settings file is
    written: the program writes it at every "Update completed"."""

    def __init__(self):
        super().__init__(daemon=True)
        self.times = []
        self.running = True

    def run(self):
        last = None
        while self.running:
            try:
                stat = os.stat(settings)
                stamp = (stat.st_mtime_ns, stat.st_ino, stat.st_size)
            except OSError:
                stamp = None
            if stamp is not None and stamp != last:
                self.times.append(time.monotonic())
                last = stamp
            time.sleep(0.02)


def read_log():
    entries = []
    with open(log_path) as f:
        for line in f:
            head, _, hex_bytes = line.rstrip("\n").partition("\t")
            start, wire_end, port = head.split(" ", 2)
            entries.append((float(start), port, hex_bytes))
    return entries


def check_messages(expected, completions):
    entries = read_log()
    for start, port, hex_bytes in entries:
        if hex_bytes not in expected:
            fail(f"{port} received a message that is not one of the file's: {hex_bytes}")
    print(f"ok: all {len(entries)} messages the ports received are whole messages of the file")

    for at in completions:
        # The pass ends 300 ms after its last send, and the program's next pass cannot
        # have sent anything by the time the write is seen (within 20 ms), but to be sure
        # only sends up to 250 ms before the write count.
        before = [e for e in entries if e[0] < at - 0.25]
        last = before[-len(expected):]
        if [e[2] for e in last] != expected or len({e[1] for e in last}) != 1 or at - last[-1][0] > 1.5:
            fail(f"\"Update completed\" at {at:.3f} s after a pass that did not deliver the whole file: "
                 + "; ".join(f"{s:.3f} {p} {h[:12]}" for s, p, h in last))
    print(f"ok: each of the {len(completions)} completed updates delivered the whole file to one port")


def storm_step(main, plugged):
    """One random action."""
    roll = rng.random()
    shown_boxes = boxes()
    shown_help = help_windows(main)
    if shown_boxes and rng.random() < 0.7:
        key = rng.choice(["Return", "Escape", "space"])
        actions.append(f"{key} on box {shown_boxes[0]}")
        xdotool("key", "--window", shown_boxes[0], key)
    elif shown_help and rng.random() < 0.3:
        actions.append(f"close help window {shown_help[0]}")
        click(shown_help[0], *HELP_CLOSE)
    elif roll < 0.25:
        actions.append("click update")
        click(main, *UPDATE)
    elif roll < 0.40:
        click(main, *COMBO)
        time.sleep(0.15)
        menus = windows("menu")
        item = rng.randrange(0, len(PORTS) + 2)
        actions.append(f"open the list, item {item}" + ("" if menus else " (no list)"))
        if menus:
            if item == len(PORTS) + 1:
                xdotool("key", "--window", menus[0], "Escape")
            else:
                y = 16 if item == 0 else MENU_FIRST_PORT_Y + (item - 1) * MENU_ITEM_H
                click(menus[0], 100, y)
    elif roll < 0.50:
        actions.append("click Help")
        click(main, *HELP)
    elif roll < 0.65:
        key = rng.choice(KEYS)
        actions.append(f"key {key}")
        if key != "alt+F4":  # closing comes at the end
            xdotool("key", "--window", main, key)
    elif roll < 0.80:
        port = rng.choice(PORTS)
        actions.append(("unplug " if plugged[port] else "plug ") + port)
        with open(control_path, "a") as control:
            control.write(("unplug " if plugged[port] else "plug ") + port + "\n")
        plugged[port] = not plugged[port]
    else:
        # Anywhere in the window's content: a click on the title bar may maximise it (the
        # user's right), and the calm's clicks below assume its first size.
        x, y = rng.randrange(0, 650), rng.randrange(30, 400)
        actions.append(f"click at {x},{y}")
        click(main, x, y)
    time.sleep(rng.uniform(0.03, 0.4))


def main():
    global app
    print(f"storm: seed {SEED}, {SECONDS:g} s (replay with STORM_SEED={SEED})", flush=True)
    expected = write_firmware()
    open(log_path, "w").close()
    open(control_path, "w").close()
    environment = dict(os.environ,
                       LD_PRELOAD=PRELOAD,
                       ASAN_OPTIONS=(os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0").lstrip(":"),
                       XDG_CONFIG_HOME=config,
                       FAKESEQ_PORTS=";".join(PORTS[:2]),
                       FAKESEQ_LOG=log_path,
                       FAKESEQ_CONTROL=control_path)
    def start():
        global app
        with open(output_path, "a") as out:
            app = subprocess.Popen([APP, os.path.join(work, "fw.syx")], env=environment, stdout=out, stderr=out)
        wait_for(lambda: windows(TITLE), 15, f"no window titled '{TITLE}'")
        return windows(TITLE)[0]

    main_window = start()
    watch = CompletionWatch()
    watch.start()

    plugged = {port: port in PORTS[:2] for port in PORTS}
    steps = closes = 0
    end = time.monotonic() + SECONDS
    while time.monotonic() < end:
        if app.poll() is not None:
            # A random key or click may close the window as a person's would: that is an
            # exit like any other, and it must be a clean one. The program starts again
            # (the stand-in replays the plugging so far from its control file).
            if app.returncode != 0:
                fail(f"the program ended during the storm, code {app.returncode}, after {steps} steps")
            closes += 1
            print("note: the storm closed the window (exit code 0) after:\n  " + "\n  ".join(actions[-4:]),
                  flush=True)
            main_window = start()
        storm_step(main_window, plugged)
        steps += 1
    print(f"ok: {steps} random steps, {closes} clean close(s) by the storm, the program still runs", flush=True)

    # Calm: only "Pedal MIDI" plugged in, no box, no list, no help window; any pass still
    # running ends and the list catches up. Then one more update must complete.
    with open(control_path, "a") as control:
        for port in PORTS:
            if plugged[port] != (port == "Pedal MIDI"):
                control.write(("plug " if port == "Pedal MIDI" else "unplug ") + port + "\n")
                plugged[port] = port == "Pedal MIDI"

    def calm():
        for box in boxes():
            xdotool("key", "--window", box, "Return")
        for menu in windows("menu"):
            xdotool("key", "--window", menu, "Escape")
        for shown in help_windows(main_window):
            click(shown, *HELP_CLOSE)
        time.sleep(0.3)
        return not boxes() and not windows("menu") and not help_windows(main_window)

    time.sleep(1.5)
    wait_for(calm, 10, "the boxes would not close")
    sent_before = len(read_log())
    completions_before = len(watch.times)

    def update_once():
        calm()
        click(main_window, *COMBO)
        time.sleep(0.3)
        for menu in windows("menu"):
            click(menu, 100, MENU_FIRST_PORT_Y)
        time.sleep(0.3)
        click(main_window, *UPDATE)
        end = time.monotonic() + 5
        while time.monotonic() < end and len(watch.times) == completions_before:
            time.sleep(0.1)
        return len(watch.times) > completions_before

    wait_for(update_once, 30, "no update completed once the storm was over")
    print(f"ok: after the storm an update completes ({len(read_log()) - sent_before} messages)", flush=True)

    time.sleep(0.5)
    watch.running = False
    watch.join()
    check_messages(expected, watch.times)

    with open(output_path, errors="replace") as out:
        assertions = [line for line in out if "JUCE Assertion failure" in line]
    if assertions:
        fail("JUCE assertions: " + "".join(assertions[:5]))
    print("ok: no JUCE assertion")

    wait_for(calm, 10, "a box or the help window would not close")
    click(main_window, *CLOSE)
    try:
        code = app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        fail("the program did not end within 10 s of its close button")
    if code != 0:
        fail(f"exit code {code} on close")
    print("ok: closed with exit code 0")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        main()
    finally:
        if app is not None and app.poll() is None:
            app.send_signal(signal.SIGKILL)
