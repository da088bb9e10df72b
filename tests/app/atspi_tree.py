#!/usr/bin/python3
"""Reads a running player's accessibility tree over AT-SPI, as a screen
reader does, and checks what the listener is told: names, roles and states
of the main window's controls, the keyboard path through the engine's
controls, the announcement of a channel chosen with the keyboard, and the
news window's buttons and page.

Run by e2e_atspi, inside tests/app/atspi_session.sh, while the program runs.
Usage: atspi_tree.py <pid of the player>
Exit status: 0 all checks held, 1 a check failed (each is printed).
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return ok


def walk(acc, depth=0):
    yield acc
    if depth > 30:
        return
    for k in range(acc.childCount):
        child = acc.getChildAtIndex(k)
        if child is not None:
            yield from walk(child, depth + 1)


def wait_for(what, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        pump(0.1)
    return None


def pump(seconds):
    """Lets AT-SPI's events arrive while time passes."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def find_app(pid):
    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        for k in range(desktop.childCount):
            app = desktop.getChildAtIndex(k)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except GLib.Error:
                pass
        return None
    return wait_for(look, 30)


def find_main_frame(app):
    def look():
        for k in range(app.childCount):
            w = app.getChildAtIndex(k)
            if w is not None and w.name == "Brelo Player 1.6" and w.getState().contains(pyatspi.STATE_SHOWING):
                return w
        return None
    return wait_for(look, 20)


def by_name(frame, name):
    return [a for a in walk(frame) if a.name == name]


def one(frame, name, role):
    found = by_name(frame, name)
    if not check(len(found) == 1, "%r: %d objects" % (name, len(found))):
        return None
    check(found[0].getRole() == role,
          "%r is a %s, not a %s" % (name, found[0].getRoleName(), pyatspi.Role(role)))
    return found[0]


def focused(frame):
    for a in walk(frame):
        if a.getState().contains(pyatspi.STATE_FOCUSED):
            return a
    return None


def states(acc):
    return set(acc.getState().getStates())


def do_action(acc, *names):
    action = acc.queryAction()
    for k in range(action.nActions):
        if action.getName(k) in names:
            return action.doAction(k)
    check(False, "%r offers none of the actions %r" % (acc.name, names))
    return False


def key(name):
    subprocess.run(["xdotool", "key", name], check=False, timeout=10)


def check_names_and_roles(frame):
    one(frame, "Menu", pyatspi.ROLE_PUSH_BUTTON)
    one(frame, "Parar", pyatspi.ROLE_PUSH_BUTTON)
    one(frame, "Sem som", pyatspi.ROLE_PUSH_BUTTON)
    play = by_name(frame, "Reproduzir") + by_name(frame, "Pausar")
    check(len(play) == 1, "play/pause: %d objects" % len(play))

    # A list is read as "<label>, <channel>, combo box": the channel is its
    # name, the label comes through the labelled-by relation.
    combos = [a for a in walk(frame) if a.getRole() == pyatspi.ROLE_COMBO_BOX]
    check([c.name for c in combos] == ["TV Tambrel"], "combo boxes: %r" % [c.name for c in combos])
    for combo in combos:
        labels = [r.getTarget(k).name for r in combo.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY for k in range(r.getNTargets())]
        check(labels == ["Lista de canais"], "the channel list's labels: %r" % labels)

    engines = [a for a in walk(frame) if (a.name or "").startswith("Reprodutor")]
    check(len(engines) == 1 and engines[0].name == "Reprodutor: TV Tambrel",
          "engine panel names: %r" % [a.name for a in engines])
    # The status label carries the whole status, the same the engine's
    # description says, never the shortened text the compact controls show.
    if engines:
        status = [a for a in walk(engines[0]) if a.getRole() == pyatspi.ROLE_LABEL]
        if check(len(status) == 1, "status labels: %d" % len(status)):
            said = wait_for(lambda: engines[0].description or None, 20)
            check(bool(said) and status[0].name == said,
                  "status label %r, engine description %r" % (status[0].name, said))
            check(not status[0].name.endswith("…"), "status label elided: %r" % status[0].name)

    link = one(frame, "Verifique sempre se há uma nova versão!", pyatspi.ROLE_LINK)
    if link is not None:
        check(pyatspi.STATE_FOCUSABLE in states(link), "the update link cannot take the focus")


def check_mute_toggles(frame):
    found = by_name(frame, "Sem som")
    if not found:
        return
    mute = found[0]
    check(pyatspi.STATE_CHECKED not in states(mute), "the mute button starts pressed")
    do_action(mute, "Toggle", "Press")
    on = wait_for(lambda: pyatspi.STATE_CHECKED in states(mute), 5)
    check(on, "the mute button's pressed state is not exposed after pressing it")
    if on:
        check(pyatspi.STATE_PRESSED in states(mute), "a pressed mute button is not marked pressed")
    do_action(mute, "Toggle", "Press")
    check(wait_for(lambda: pyatspi.STATE_CHECKED not in states(mute), 5), "the mute button stays pressed")


def check_keyboard(frame):
    def window_ids():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Brelo Player 1.6$"],
                               capture_output=True, text=True, timeout=10)
        return found.stdout.split()
    ids = wait_for(window_ids, 10)
    if not check(ids and len(ids) == 1, "main windows on the screen: %r" % ids):
        return
    subprocess.run(["xdotool", "windowactivate", "--sync", ids[0]], check=False, timeout=20)
    start = wait_for(lambda: focused(frame), 10)
    check(start, "nothing in the main window has the focus once it is active")
    walked = []
    for _ in range(6):
        before = focused(frame)
        key("Tab")
        now = wait_for(lambda: (f := focused(frame)) is not None and f != before and f, 3)
        walked.append(now.name if now else None)
        if now and now.getRole() == pyatspi.ROLE_COMBO_BOX:
            break
    print("Tab walk:", walked, flush=True)
    check(any(n in walked for n in ("Reproduzir", "Pausar")), "Tab never reaches play/pause")
    for name in ("Parar", "Sem som", "TV Tambrel"):
        check(name in walked, "Tab never reaches %r" % name)
    if not walked or walked[-1] != "TV Tambrel":
        return

    # A keyboard choice: the focus moves on to the engine, which by then
    # carries the new channel's name, and the list says its new name.
    events = []
    listener = lambda e: events.append((e.type, e.source.name if e.source else None, e.detail1))
    # What a screen reader listens to; Qt sends only the kinds someone asked for.
    kinds = ("object:state-changed:focused", "object:property-change:accessible-name",
             "object:property-change:accessible-description", "object:value-changed", "object:selection-changed")
    pyatspi.Registry.registerEventListener(listener, *kinds)
    try:
        pump(0.3)
        key("Down")
        # The new channel cannot be reached here (no network): its status
        # changes arrive while the engine holds the focus.
        wait_for(lambda: any(t.startswith("object:property-change:accessible-description")
                             and n == "Reprodutor: Radio Tambrel" for t, n, d in events), 15)
        pump(0.3)
    finally:
        pyatspi.Registry.deregisterEventListener(listener, *kinds)
    print("events:", events, flush=True)
    check(any(t.startswith("object:state-changed:focused") and d == 1 and n == "Reprodutor: Radio Tambrel"
              for t, n, d in events), "the focus never arrives on an engine named after the new channel")
    check(any(t.startswith("object:property-change:accessible-name") and n == "Radio Tambrel"
              for t, n, d in events), "the channel list raises no name change")
    focus_at = next((k for k, (t, n, d) in enumerate(events)
                     if t.startswith("object:state-changed:focused") and d == 1), len(events))
    check(any(t.startswith("object:property-change:accessible-description") and n == "Reprodutor: Radio Tambrel"
              for t, n, d in events[focus_at:]), "the status is not told to the focused engine")


def check_menu_modes(app, frame):
    """The menu opened from the keyboard: its mode items, which check and
    uncheck themselves as they are chosen, say whether they are checked."""
    key("ctrl+e")  # Extended, which checks its item
    pump(0.5)
    for _ in range(10):
        now = focused(frame)
        if now is not None and now.name == "Menu":
            break
        key("Tab")
        pump(0.2)
    if not check(now is not None and now.name == "Menu", "Tab never reaches the menu button"):
        return
    # An opened menu is no child of the application over AT-SPI: a reader
    # meets it through the focus of its items, as here.
    items = []
    listener = lambda e: items.append(e.source) if e.detail1 == 1 and e.source is not None \
        and e.source.getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM) else None
    pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
    try:
        key("space")
        pump(0.5)
        key("Down")
        wait_for(lambda: items, 10)
    finally:
        pyatspi.Registry.deregisterEventListener(listener, "object:state-changed:focused")
    if not check(items, "no item of the opened menu takes the focus"):
        key("Escape")
        return
    menu = items[0].parent
    entries = [menu.getChildAtIndex(k) for k in range(menu.childCount)]
    modes = {}
    for name in ("Modo Normal", "Modo Extendido", "Modo Fullscreen", "Modo Rádio"):
        found = [e for e in entries if e is not None and e.name == name]
        if check(len(found) == 1, "%r: %d menu items" % (name, len(found))):
            modes[name] = pyatspi.STATE_CHECKED in states(found[0])
    print("mode items checked:", modes, "role:", items[0].getRoleName(), flush=True)
    check(modes == {"Modo Normal": False, "Modo Extendido": True, "Modo Fullscreen": False, "Modo Rádio": False},
          "checked mode items after Extended was chosen: %r" % modes)
    news = [e for e in entries if e is not None and e.name == "Browser Noticias"]
    check(len(news) == 1 and pyatspi.STATE_CHECKED not in states(news[0]), "the news item reads as checked")
    key("Escape")
    pump(0.5)
    key("ctrl+n")  # back to Normal
    pump(0.5)


def check_news_page(app):
    """The news window's buttons are named, and its page is read too."""
    key("ctrl+b")

    def news_window():
        for k in range(app.childCount):
            w = app.getChildAtIndex(k)
            if w is not None and pyatspi.STATE_SHOWING in states(w) and by_name(w, "Atualizar"):
                return w
        return None
    window = wait_for(news_window, 20)
    if not check(window is not None, "Ctrl+B shows no news window"):
        return
    for name in ("Voltar", "Avançar", "Atualizar", "Fechar"):
        one(window, name, pyatspi.ROLE_PUSH_BUTTON)
    # Whatever the page (offline here: the browser's own error page), its
    # text reaches the reader only when the web view's accessibility is on.
    document = wait_for(lambda: next((a for a in walk(window) if a.getRole() == pyatspi.ROLE_DOCUMENT_WEB
                                      and any(d.name for d in walk(a))), None), 20)
    check(document is not None, "the news page is not in the accessibility tree")


def main():
    pid = int(sys.argv[1])
    started = time.monotonic()
    app = find_app(pid)
    if not check(app is not None, "the program does not show on the accessibility bus"):
        return
    frame = find_main_frame(app)
    if not check(frame is not None, "no main window in the accessibility tree"):
        return
    print("tree found after %.1f s" % (time.monotonic() - started), flush=True)
    check(frame.getRole() == pyatspi.ROLE_FRAME, "the main window is a %s, not a frame" % frame.getRoleName())
    check_names_and_roles(frame)
    check_mute_toggles(frame)
    print("names, roles and states read after %.1f s" % (time.monotonic() - started), flush=True)
    check_keyboard(frame)
    check_menu_modes(app, frame)
    print("keyboard and menu checked after %.1f s" % (time.monotonic() - started), flush=True)
    check_news_page(app)
    print("news window read after %.1f s" % (time.monotonic() - started), flush=True)


main()
if failures:
    print("%d failure(s)" % len(failures))
    sys.exit(1)
print("all checks passed")
