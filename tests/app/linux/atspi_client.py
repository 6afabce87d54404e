#!/usr/bin/python3
"""The window as a screen reader meets it, through AT-SPI (pyatspi), against the program
measuring the virtual board on an emulated node.

    atspi_client.py reader CONTROL_DIR    read the tree, press 開始 and 終了 through AT-SPI,
                                          hear the start, the end and a warning box
    atspi_client.py keyboard CONTROL_DIR  start, measurements, copy, stop by keyboard alone
    atspi_client.py sound CONTROL_DIR     the trace as sound by keyboard: P and L heard to
                                          start and end, the chart menu listing their keys

CONTROL_DIR is the emulated board's --control folder: "commands" there counts the command
reports the board has read; a file "unplug" unplugs it. The accessible tree is printed, idle
and measuring. Exit status 0 when every check holds.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

WINDOW_TITLE = "簡易オシロソフト"
failures = []


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


# ---- AT-SPI ----

events = []


def on_event(event):
    try:
        events.append((event.type, event.source.getRoleName(), event.source.name, event.detail1))
    except Exception:  # the source may be gone already
        pass


def pump(seconds):
    """Lets AT-SPI's events arrive for a while."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(condition, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if condition():
                return True
        except Exception:  # an object that went away while being asked
            pass
        pump(0.1)
    return bool(condition())


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "simplescope":
            return app
    return None


def descendants(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from descendants(child)


def find(root, role, name):
    for accessible in descendants(root):
        if accessible.getRoleName() == role and accessible.name == name:
            return accessible
    return None


def states(accessible):
    return accessible.getState()


def showing(accessible):
    return states(accessible).contains(pyatspi.STATE_SHOWING)


def actions(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(accessible):
    action = accessible.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            return action.doAction(i)
    raise AssertionError("no Press action on " + accessible.name)


STATE_NAMES = [
    (pyatspi.STATE_SHOWING, "SHOWING"),
    (pyatspi.STATE_FOCUSABLE, "FOCUSABLE"),
    (pyatspi.STATE_FOCUSED, "FOCUSED"),
    (pyatspi.STATE_SENSITIVE, "SENSITIVE"),
]


def dump(accessible, depth=0):
    names = [text for state, text in STATE_NAMES if states(accessible).contains(state)]
    line = "  " * depth + "[%s] %r" % (accessible.getRoleName(), accessible.name)
    if accessible.description and accessible.getRoleName() == "chart":
        line += " description %r" % accessible.description
    line += " " + " ".join(names)
    if actions(accessible):
        line += "  actions " + ", ".join(actions(accessible))
    print(line)
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            dump(child, depth + 1)


# ---- The board ----


def commands(control):
    try:
        with open(os.path.join(control, "commands")) as f:
            return int(f.read().strip() or 0)
    except (OSError, ValueError):
        return 0


def board_reads_commands(control):
    before = commands(control)
    return wait_for(lambda: commands(control) >= before + 5, 10)


def board_reads_none(control):
    pump(0.5)  # the last command may still be on its way
    before = commands(control)
    pump(1.0)
    return commands(control) == before


# ---- The window ----


def main_window(app):
    return wait_for(lambda: find(app, "filler", WINDOW_TITLE) is not None) and find(
        app, "filler", WINDOW_TITLE)


def reader(control):
    app = wait_for(lambda: application() is not None, 30) and application()
    if not check(bool(app), "the program is on the AT-SPI bus"):
        return
    window = main_window(app)
    start = find(window, "push button", "開始")
    stop = find(window, "push button", "終了")
    chart = find(window, "chart", "波形")
    measuring = find(window, "label", "計測中")
    # The board is found a moment after the window shows.
    pump(1.5)
    print("\nThe accessible tree, idle:")
    dump(app)
    print()
    check(start is not None and "Press" in actions(start), "開始 is a push button with Press")
    check(stop is not None and "Press" in actions(stop), "終了 is a push button with Press")
    check(not states(stop).contains(pyatspi.STATE_SENSITIVE), "終了 is disabled while idle")
    check(chart is not None, "the chart is a chart named 波形")
    check(measuring is not None and not showing(measuring), "計測中 is not showing while idle")
    instructions = find(window, "label", "開始ボタンを押して計測開始して下さい。")
    check(instructions is not None and showing(instructions), "the instructions are showing")
    unnamed = [a.getRoleName() for a in descendants(app)
               if states(a).contains(pyatspi.STATE_FOCUSABLE) and not a.name]
    check(not unnamed, "every focusable control has a name (unnamed: %s)" % unnamed)
    buttons = [a.name for a in descendants(window) if a.getRoleName() == "push button"]
    check(sorted(buttons) == sorted(["開始", "終了", "サイン波"]),
          "the push buttons are 開始, 終了 and サイン波: %s" % buttons)
    for kind in ["object:state-changed:showing", "object:state-changed:sensitive",
                 "object:property-change:accessible-description", "window:activate"]:
        pyatspi.Registry.registerEventListener(on_event, kind)

    # Start, through AT-SPI.
    events.clear()
    press(start)
    check(wait_for(lambda: showing(measuring)), "計測中 is showing after 開始 was pressed")
    check(board_reads_commands(control), "the board receives command reports")
    pump(1.0)
    check(("object:state-changed:showing", "label", "計測中", 1) in events,
          "the screen reader hears 計測中 shown")
    check(("object:state-changed:sensitive", "push button", "開始", 0) in events,
          "and 開始 disabled")
    check(wait_for(lambda: chart.description.startswith("最新 ")),
          "the chart describes the trace: %r" % chart.description)
    descriptions = [e for e in events if e[0].endswith("accessible-description")]
    seconds = 2.5
    pump(seconds)
    later = [e for e in events if e[0].endswith("accessible-description")]
    check(len(later) - len(descriptions) <= seconds + 1,
          "the description changes at most once a second (%d in %.1f s)"
          % (len(later) - len(descriptions), seconds))
    check(not showing(find(window, "label", "開始ボタンを押して計測開始して下さい。")),
          "the instructions are not showing while measuring")
    print("\nThe accessible tree, measuring:")
    dump(app)
    print()

    # Stop.
    events.clear()
    press(stop)
    check(wait_for(lambda: not showing(measuring)), "計測中 is gone after 終了 was pressed")
    pump(0.5)
    check(("object:state-changed:showing", "label", "計測中", 0) in events,
          "the screen reader hears 計測中 hidden")
    check(board_reads_none(control), "the board receives no more command reports")

    # A warning box: the board unplugged, a start says so.
    open(os.path.join(control, "unplug"), "w").close()
    check(wait_for(lambda: not os.path.exists(os.path.join(control, "unplug"))),
          "the board is unplugged")
    pump(1.0)
    events.clear()
    press(start)
    alert = wait_for(lambda: find(app, "alert", "警告") is not None) and find(app, "alert", "警告")
    if check(bool(alert), "the warning box is an alert named 警告"):
        check(find(alert, "label", "(C1)実験ボードと接続が確認出来ません。") is not None,
              "it says (C1)実験ボードと接続が確認出来ません。")
        check(("window:activate", "alert", "警告", 0) in events,
              "the screen reader hears it come")
        press(find(alert, "push button", "OK"))
        check(wait_for(lambda: find(app, "alert", "警告") is None), "its OK closes it")
    check(not showing(measuring), "nothing started")


# ---- The keyboard alone ----


def xdotool(*arguments):
    return subprocess.run(["xdotool", *arguments], check=True, capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8")).stdout.split()


def focus_main_window():
    """Gives the keyboard focus to the program's window, as a window manager would. (It is
    found by its class: a Japanese title isn't always found by name.)"""
    found = []

    def search():
        try:
            found.extend(xdotool("search", "--onlyvisible", "--class", "simplescope"))
        except subprocess.CalledProcessError:  # none yet
            pass
        return found

    wait_for(search)
    xdotool("windowfocus", found[0])


def keys(*names):
    for name in names:
        xdotool("key", "--clearmodifiers", name)
        pump(0.2)


def clipboard():
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True)
    return result.stdout.decode("utf-8", "replace")


def measurements_window(app):
    return find(app, "dialog", "測定値")


def keyboard(control):
    app = wait_for(lambda: application() is not None, 30) and application()
    if not check(bool(app), "the program is on the AT-SPI bus"):
        return
    window = main_window(app)
    measuring = find(window, "label", "計測中")
    pump(1.5)  # the board is found
    focus_main_window()

    keys("F5")
    check(wait_for(lambda: showing(measuring)), "F5 starts measuring: 計測中 is showing")
    check(board_reads_commands(control), "the board receives command reports")

    keys("ctrl+m")
    wait_for(lambda: measurements_window(app) is not None)
    measurements = measurements_window(app)
    if not check(measurements is not None, "Ctrl+M opens the measurements window 測定値"):
        dump(app)
    else:
        check(wait_for(lambda: find(measurements, "label", "200") is not None),
              "it counts the 200 values shown")
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"])
        keys("ctrl+c")
        check(wait_for(lambda: clipboard().startswith("quantity\tvalue\r\ncount\t200\r\n"), 5),
              "Ctrl+C in it copies the figures: %r" % clipboard()[:60])
        # The main window's keys work in it too.
        keys("F6")
        check(wait_for(lambda: not showing(measuring)), "F6 in it stops measuring: 計測中 is gone")
        check(board_reads_none(control), "the board receives no more command reports")
        keys("F5")
        check(wait_for(lambda: showing(measuring)), "F5 in it starts measuring again")
        check(board_reads_commands(control), "the board receives command reports again")
        keys("Escape")
        check(wait_for(lambda: measurements_window(app) is None), "Esc closes it")
    focus_main_window()
    keys("F6")
    check(wait_for(lambda: not showing(measuring)), "F6 stops measuring: 計測中 is gone")
    check(board_reads_none(control), "the board receives no more command reports")

    # A cursor placed and moved by keyboard on the chart is told at once, with its sample
    # and value; after the stop the description is the last trace's.
    chart = find(window, "chart", "波形")
    check(chart is not None and chart.description.startswith("最新 "),
          "after the stop the chart describes the trace: %r" % (chart and chart.description))
    pyatspi.Registry.registerEventListener(
        on_event, "object:property-change:accessible-description")
    events.clear()
    keys("Tab", "Tab", "Tab", "b")
    check(wait_for(lambda: chart.description.startswith("カーソル B: サンプル 100, "), 5),
          "B on the chart: %r" % chart.description)
    keys("Right")
    check(wait_for(lambda: chart.description.startswith("カーソル B: サンプル 99, "), 5),
          "→ moves it: %r" % chart.description)
    told = [e for e in events if e[0].endswith("accessible-description") and e[1] == "chart"]
    check(len(told) >= 2, "each is told as a changed description (%d)" % len(told))


# ---- The trace as sound ----


def sound(control):
    """Played into a PulseAudio server with a null sink (atspi-test.sh starts it)."""
    app = wait_for(lambda: application() is not None, 30) and application()
    if not check(bool(app), "the program is on the AT-SPI bus"):
        return
    window = main_window(app)
    measuring = find(window, "label", "計測中")
    pump(1.5)  # the board is found
    focus_main_window()
    pyatspi.Registry.registerEventListener(
        on_event, "object:property-change:accessible-description")

    keys("F5")
    check(wait_for(lambda: showing(measuring)), "F5 starts measuring")
    check(board_reads_commands(control), "the board receives command reports")

    # P: the screen reader hears the playing start and, 3.6 s later, end.
    events.clear()
    keys("p")
    check(wait_for(lambda: window.description == "波形を再生中 (3 秒)", 5),
          "P: the screen reader hears the playing start: %r" % window.description)
    if window.description == "":
        dump(app)
    check(showing(measuring), "measuring goes on while it plays")
    check(wait_for(lambda: window.description == "再生が終わりました", 15),
          "and its end: %r" % window.description)
    changes = [e for e in events
               if e[0].endswith("accessible-description") and e[2] == WINDOW_TITLE]
    check(len(changes) >= 2, "each as a changed description of the window (%d)" % len(changes))
    check(find(app, "alert", "警告") is None, "no warning box")

    # P again stops it at once; Esc too.
    keys("p")
    check(wait_for(lambda: window.description == "波形を再生中 (3 秒)", 5), "P plays again")
    keys("p")
    check(wait_for(lambda: window.description == "音を止めました", 5),
          "P again stops it, and says so: %r" % window.description)

    # L: live sound on and off, each told.
    keys("l")
    check(wait_for(lambda: window.description == "ライブの音を出しています", 5),
          "L: the screen reader hears live sound on: %r" % window.description)
    pump(1.5)
    check(find(app, "alert", "警告") is None, "no warning box while it sounds")
    keys("l")
    check(wait_for(lambda: window.description == "音を止めました", 5),
          "L again stops it, and says so: %r" % window.description)
    # The chart's menu, opened by the menu key, lists the sound's entries with their keys.
    # A popup menu is no child of the application: a screen reader meets its entries as the
    # keyboard focus moves onto them, as here.
    focused = []

    def on_focus(event):
        try:
            if event.detail1 and event.source.getRoleName() == "menu item":
                focused.append(event.source)
        except Exception:  # the source may be gone already
            pass

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    # Down past every entry of the menu, which goes round at its end: the walk meets each one
    # whatever else the menu holds.
    keys("Menu", *["Down"] * 40)
    heard = []
    for item in focused:
        try:
            heard.append(item.name)
        except Exception:  # gone already
            pass
    check(bool(heard), "the menu key opens the chart's menu, its entries heard as focused")
    # Each entry's name ends in its key after a tab, as the menu shows it.
    for name, key in [("音で聞く", "P"), ("ゆっくり", "["), ("速く", "]"),
                      ("ライブで聞く", "L"), ("音を保存…", "Shift+P")]:
        check(name + "\t" + key in heard, "the menu lists %s with its key %s" % (name, key))
    keys("Escape")
    pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
    focus_main_window()
    keys("F6")
    check(wait_for(lambda: not showing(measuring)), "F6 stops measuring")


if __name__ == "__main__":
    scenario, control_dir = sys.argv[1], sys.argv[2]
    {"reader": reader, "keyboard": keyboard, "sound": sound}[scenario](control_dir)
    print("%d checks failed" % len(failures) if failures else "every check holds")
    sys.exit(1 if failures else 0)
