#!/usr/bin/python3
"""The real program's accessibility tree, as a screen reader reads it over
AT-SPI: names, roles and states of the main window's controls, and the
keyboard path through the engine's controls.

Run inside tests/app/atspi_session.sh, which gives it a private session bus
and accessibility bus.  Usage: atspi_tree.py <breloplayer binary>
"""
import os
import signal
import subprocess
import sys
import time

import pyatspi

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def walk(acc, depth=0):
    yield acc
    if depth > 30:
        return
    for k in range(acc.childCount):
        child = acc.getChildAtIndex(k)
        if child is not None:
            yield from walk(child, depth + 1)


def find_app(pid, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for k in range(desktop.childCount):
            app = desktop.getChildAtIndex(k)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.2)
    return None


def find_main_frame(app, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        for k in range(app.childCount):
            w = app.getChildAtIndex(k)
            if w is not None and w.name == "Brelo Player 1.6" and w.getState().contains(pyatspi.STATE_SHOWING):
                return w
        time.sleep(0.2)
    return None


def by_name(frame, name):
    return [a for a in walk(frame) if a.name == name]


def focused(frame):
    for a in walk(frame):
        if a.getState().contains(pyatspi.STATE_FOCUSED):
            return a
    return None


def main():
    binary = sys.argv[1]
    env = dict(os.environ)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    player = subprocess.Popen([binary], env=env)
    try:
        app = find_app(player.pid)
        check(app is not None, "the program does not show on the accessibility bus")
        if app is None:
            return
        frame = find_main_frame(app)
        check(frame is not None, "no main window in the accessibility tree")
        if frame is None:
            return

        expected = [
            ("Menu", pyatspi.ROLE_PUSH_BUTTON),
            ("Lista de canais", pyatspi.ROLE_COMBO_BOX),
            ("Reproduzir", pyatspi.ROLE_PUSH_BUTTON),
            ("Pausar", pyatspi.ROLE_PUSH_BUTTON),
            ("Parar", pyatspi.ROLE_PUSH_BUTTON),
            ("Sem som", pyatspi.ROLE_PUSH_BUTTON),
            ("Verifique sempre se há uma nova versão!", pyatspi.ROLE_LINK),
        ]
        for name, role in expected:
            found = by_name(frame, name)
            if name in ("Reproduzir", "Pausar"):
                # Either, as the stream stands.
                continue
            check(len(found) == 1, "%r: %d objects" % (name, len(found)))
            if found:
                check(found[0].getRole() == role,
                      "%r is a %s, not a %s" % (name, found[0].getRoleName(), pyatspi.Role(role)))
        play = by_name(frame, "Reproduzir") + by_name(frame, "Pausar")
        check(len(play) == 1, "play/pause: %d objects" % len(play))

        mute = by_name(frame, "Sem som")
        if mute:
            states = mute[0].getState()
            check(states.contains(pyatspi.STATE_CHECKABLE), "the mute button is not checkable")
            check(not states.contains(pyatspi.STATE_CHECKED), "the mute button starts pressed")
            check(mute[0].getRole() != pyatspi.ROLE_CHECK_BOX, "the mute button reads as a check box")

        link = by_name(frame, "Verifique sempre se há uma nova versão!")
        if link:
            check(link[0].getState().contains(pyatspi.STATE_FOCUSABLE), "the update link cannot take the focus")

        engines = [a for a in walk(frame) if (a.name or "").startswith("Reprodutor: ")]
        check(len(engines) == 1 and engines[0].name == "Reprodutor: TV Tambrel",
              "engine panel names: %r" % [a.name for a in engines])

        # Keyboard: the focus on the engine, then Tab through its controls.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Brelo Player 1.6$",
                        "windowactivate", "--sync"], check=False, timeout=20)
        time.sleep(0.5)
        walked = []
        for _ in range(6):
            subprocess.run(["xdotool", "key", "Tab"], check=False, timeout=10)
            time.sleep(0.4)
            f = focused(frame)
            walked.append(f.name if f is not None else None)
        print("Tab walk:", walked, flush=True)
        for name in ("Parar", "Sem som", "Lista de canais", "Menu"):
            check(name in walked, "Tab never reaches %r" % name)
        check(any(n in walked for n in ("Reproduzir", "Pausar")), "Tab never reaches play/pause")
    finally:
        player.send_signal(signal.SIGTERM)
        try:
            player.wait(10)
        except subprocess.TimeoutExpired:
            player.kill()


main()
if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("all checks passed")
