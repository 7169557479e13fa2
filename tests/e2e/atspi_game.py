#!/usr/bin/python3
"""Reads the running game over AT-SPI, as a screen reader does (Debian's python3-pyatspi).

    atspi_game.py wait-board N            waits until the board is an N x N table with a game
    atspi_game.py solve-keys [--blocks]   prints the keys that fill the board with a solution
    atspi_game.py names WINDOW-TITLE      prints role and name of every control the window shows
    atspi_game.py focus                   prints role and name of what has the focus
    atspi_game.py check LANGUAGE          the accessibility test's checks (accessibility.sh)
    atspi_game.py focus-round             Tab through the main window and the board: at every
                                          stop only the focus and its container say "focused"
    atspi_game.py undo-redo               a game played, undone and redone with keys, and
                                          completed (undo_redo.sh)
    atspi_game.py no-browser SHOT-PREFIX  Submit in the highscore window where no browser can
                                          be opened (highscore_no_browser.sh)

Exit code 0 on success, 1 with the reason on standard output.
"""
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "Vantrell Sudoku"

# What the board's cells and the controls are called in each language.
TEXTS = {
    "en": {
        "cell": re.compile(r"^Row (\d), column (\d): (.*)$"),
        "given": ", given",
        "candidates": "empty, candidates ",
        "board": "Board",
        "main_buttons": ["Information", "vantrell.com", "Start Game"],
        "print_button": "Prepare",
        "tabs": ["Playing at the Computer", "Print Mode"],
        "help_title": "Sudoku - Vantrell Media",
        "help_buttons": ["<< back", "next >>"],
        "help_tabs": ["Help", "Regards", "Software", "Why Donate?", "Licence"],
        "points": " Points",
        "record": "Possibly a World Record!",
        "no_browser": "No web browser could be opened",
        "record_controls": [("text", "Name"), ("text", "Code"), ("text", "Link"), ("push button", "Submit"),
                            ("push button", "Maybe next time")],
        "print_title": "Print",
        "print_controls": [("push button", "Print"), ("push button", "Break"), ("progress bar", "Progress")],
    },
    "de": {
        "cell": re.compile(r"^Zeile (\d), Spalte (\d): (.*)$"),
        "given": ", vorgegeben",
        "candidates": "leer, Kandidaten ",
        "board": "Spielfeld",
        "main_buttons": ["Informationen", "vantrell.de", "Spiel Starten"],
        "print_button": "Vorbereiten",
        "tabs": ["Am Computer spielen", "Druckmodus"],
        "help_title": "Sudoku - Vantrell Media",
        "help_buttons": ["<< zurück", "weiter >>"],
        "help_tabs": ["Hilfe", "Empfehlungen", "Software", "Wieso spenden?", "Lizenz"],
        "points": " Punkte",
        "record": "Highscoreverdächtig!",
        "no_browser": "konnte kein Webbrowser geöffnet werden",
        "record_controls": [("text", "Name"), ("text", "Code"), ("text", "Link"), ("push button", "Eintragen"),
                            ("push button", "Vielleicht beim nächsten Mal")],
        "print_title": "Drucken",
        "print_controls": [("push button", "Drucken"), ("push button", "Abbrechen"), ("progress bar", "Fortschritt")],
    },
}


def fail(reason):
    print("FAIL:", reason)
    sys.exit(1)


def wait_for(seconds, probe):
    deadline = time.time() + seconds
    while True:
        try:
            value = probe()
        except Exception:  # the tree changes under the reader
            value = None
        if value:
            return value
        if time.time() > deadline:
            return None
        time.sleep(0.1)


def app():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.name == APP:
            return a
    return None


def showing(o):
    return o.getState().contains(pyatspi.STATE_SHOWING)


def walk(o, into_tables=False):
    yield o
    if o.getRole() == pyatspi.ROLE_TABLE and not into_tables:
        return
    for c in o:
        if c is not None:
            yield from walk(c, into_tables)


def window(title):
    a = app()
    if a is None:
        return None
    for w in a:
        if w is not None and w.name == title and showing(w):
            return w
    return None


def board():
    a = app()
    if a is None:
        return None
    for o in walk(a):
        if o.getRole() == pyatspi.ROLE_TABLE:
            return o
    return None


def cells(table):
    """The board's cells by (row, column), 1-based, with their names."""
    n = table.queryTable().nRows
    return n, {(r, c): table.getChildAtIndex((r - 1) * n + (c - 1)).name
               for r in range(1, n + 1) for c in range(1, n + 1)}


def language_of(name):
    for lang, t in TEXTS.items():
        if t["cell"].match(name):
            return lang
    return None


def value_of(text, t):
    """The digit a cell's text names, 0 for an empty cell."""
    if text.startswith(t["candidates"]) or text.startswith("empty") or text.startswith("leer"):
        return 0
    head = text.split(",")[0]
    if not head.isdigit():
        fail("the cell does not read as a number: " + text)
    return int(head)


def wait_board(n):
    def ready():
        t = board()
        if t is None or t.queryTable().nRows != n or t.childCount != n * n:
            return None
        return t if t.getChildAtIndex(0).name else None
    return wait_for(60, ready)


def solve(grid, n, blocks):
    """Fills the zeros of grid (a dict (r, c) -> value) so that rows, columns and, with blocks,
    the 3x3 blocks hold every value once."""
    def allowed(r, c):
        used = {grid[(r, k)] for k in range(1, n + 1)} | {grid[(k, c)] for k in range(1, n + 1)}
        if blocks:
            br, bc = (r - 1) // 3 * 3, (c - 1) // 3 * 3
            used |= {grid[(br + i, bc + j)] for i in range(1, 4) for j in range(1, 4)}
        return [v for v in range(1, n + 1) if v not in used]

    def step():
        best = None
        for key, v in grid.items():
            if v == 0:
                options = allowed(*key)
                if best is None or len(options) < len(best[1]):
                    best = (key, options)
                    if len(options) <= 1:
                        break
        if best is None:
            return True
        key, options = best
        for v in options:
            grid[key] = v
            if step():
                return True
        grid[key] = 0
        return False

    return step()


def solve_keys(blocks):
    print(" ".join(keys_to_solve(blocks)))


def keys_to_solve(blocks):
    t = board()
    if t is None:
        fail("no board in the tree")
    n, names = cells(t)
    lang = language_of(names[(1, 1)])
    if lang is None:
        fail("the cells read neither way: " + names[(1, 1)])
    texts = TEXTS[lang]
    grid = {}
    for key, name in names.items():
        grid[key] = value_of(texts["cell"].match(name).group(3), texts)
    if not solve(grid, n, blocks):
        fail("the board as read has no solution")
    keys = ["ctrl+Home"]
    for r in range(1, n + 1):
        for c in range(1, n + 1):
            keys.append(str(grid[(r, c)]))
            if c < n:
                keys.append("Right")
        if r < n:
            keys += ["Home", "Down"]
    return keys


def focused():
    a = app()
    if a is None:
        return None
    for o in walk(a, into_tables=True):
        if o.getRole() != pyatspi.ROLE_PAGE_TAB and o.getState().contains(pyatspi.STATE_FOCUSED):
            if o.getRole() == pyatspi.ROLE_TABLE:
                continue  # its focused cell follows
            return o
    return None


ACTING = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LINK, pyatspi.ROLE_IMAGE, pyatspi.ROLE_PAGE_TAB,
          pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TEXT, pyatspi.ROLE_PROGRESS_BAR}


def shown_controls(w):
    """Role and name of every control the window shows that a player acts on or looks at."""
    out = []
    for o in walk(w):
        if o is w or not showing(o):
            continue
        if o.getRole() == pyatspi.ROLE_TEXT and o.parent.getRole() == pyatspi.ROLE_COMBO_BOX:
            continue  # the box's own line, read with the box
        if o.getRole() in ACTING:
            out.append((o.getRoleName(), o.name))
    return out


def require_named(w, what):
    unnamed = [role for role, name in shown_controls(w) if not name]
    if unnamed:
        fail(f"{what}: controls without a name: {unnamed}")


def require_controls(w, controls, what):
    have = shown_controls(w)
    missing = [c for c in controls if c not in have]
    if missing:
        fail(f"{what}: no {missing}; it shows {have}")


def require_present(w, role, names, what):
    have = {name for r, name in shown_controls(w) if r == role}
    missing = [name for name in names if name not in have]
    if missing:
        fail(f"{what}: no {role} named {missing}; it shows {sorted(have)}")


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True)


class Events:
    """AT-SPI events of the game, collected while keys are pressed."""

    def __init__(self, *kinds):
        self.seen = []
        self.kinds = kinds
        for kind in kinds:
            pyatspi.Registry.registerEventListener(self.seen.append, kind)

    def during(self, action, settle=1.5):
        """Runs action (the keys) once the listeners are in place, then listens on for `settle`
        seconds, which a loaded machine may need before the last event arrives."""
        def run():
            action()
            GLib.timeout_add(int(settle * 1000), lambda: pyatspi.Registry.stop() or False)
            return False
        GLib.timeout_add(200, run)
        pyatspi.Registry.start()
        for kind in self.kinds:
            pyatspi.Registry.deregisterEventListener(self.seen.append, kind)
        return self.seen


def check(lang):
    texts = TEXTS[lang]
    main = wait_for(20, lambda: window("Vantrell Sudoku 1.2"))
    if main is None:
        fail("the main window is not in the tree")
    if main.getRole() != pyatspi.ROLE_FRAME:
        fail("the main window reads as " + main.getRoleName())
    require_present(main, "push button", texts["main_buttons"], "main window")
    require_present(main, "page tab", texts["tabs"], "main window")
    require_named(main, "main window")
    status = [o for o in walk(main) if o.getRole() == pyatspi.ROLE_STATUS_BAR]
    if not status or status[0].childCount != 4 or status[0].getChildAtIndex(3).getRole() != pyatspi.ROLE_LINK:
        fail("the status bar does not read as four panels with the donation link last")

    # A game started from the keyboard: the board is a 9 x 9 table and has the focus.
    key("F2")
    t = wait_board(9)
    if t is None:
        fail("no 9 x 9 board after F2")
    if t.name != texts["board"] or not t.description:
        fail(f"the board reads as {t.name!r} / {t.description!r}")
    points = status[0].getChildAtIndex(2).name
    if not points.endswith(texts["points"]):
        fail("the points panel reads " + points)
    n, names = cells(t)
    table = t.queryTable()
    for (r, c), name in names.items():
        m = texts["cell"].match(name)
        if not m or (int(m.group(1)), int(m.group(2))) != (r, c):
            fail(f"cell {r},{c} reads {name!r}")
        if table.getAccessibleAt(r - 1, c - 1).name != name:
            fail(f"cell {r},{c} reads otherwise through the table: {table.getAccessibleAt(r - 1, c - 1).name!r} {table.getAccessibleAt(r - 1, c - 1).getRoleName()}")
        if t.getChildAtIndex((r - 1) * n + (c - 1)).getRole() != pyatspi.ROLE_TABLE_CELL:
            fail(f"cell {r},{c} is not a table cell")
    if not any(texts["given"] in name for name in names.values()):
        fail("no cell reads as given")
    f = wait_for(3, focused)
    if f is None or texts["cell"].match(f.name) is None or texts["cell"].match(f.name).group(1, 2) != ("1", "1"):
        fail("the focus is not on the first cell: " + (f.name if f else "nothing"))

    # The keys move the focus cell and change what it reads; the reader hears of both.
    (r, c), name = next(((k, v) for k, v in sorted(names.items())
                        if texts["cell"].match(v).group(3).startswith(texts["candidates"])))
    candidates = texts["cell"].match(name).group(3)[len(texts["candidates"]):].split(", ")
    moves = ["ctrl+End", "ctrl+Home"] + ["Right"] * (c - 1) + ["Down"] * (r - 1)
    seen = Events("focus:", "object:state-changed:focused").during(lambda: key(*moves))
    f = wait_for(3, focused)
    if f is None or f.name != name:
        fail(f"after {moves} the focus reads {f.name if f else None!r}, not {name!r}")
    if not any(e.source.name == name for e in seen):
        fail("no focus event for the cell the keys moved to")

    entered = candidates[0]
    seen = Events("object:property-change:accessible-name").during(lambda: key(entered))
    cell = t.getChildAtIndex((r - 1) * n + (c - 1))
    if texts["cell"].match(cell.name).group(3) != entered:
        fail(f"after the key {entered} the cell reads {cell.name!r}")
    if not any(e.source.name == cell.name for e in seen):
        fail("no name-change event for the cell a key filled")
    key("Delete")
    if not wait_for(2, lambda: cell.name == name):
        fail(f"after Delete the cell reads {cell.name!r}")
    struck = candidates[-1]
    key("shift+" + struck)
    rest = ", ".join(v for v in candidates if v != struck)
    want = texts["cell"].match(name).group(0).replace(", ".join(candidates), rest)
    if not wait_for(2, lambda: cell.name == want):
        fail(f"after Shift+{struck} the cell reads {cell.name!r}, not {want!r}")

    # Solved by keys: the highscore window announces the points, names its controls, and
    # Escape declines.
    subprocess.run(["xdotool", "key", "--delay", "15", *keys_to_solve(True)], check=True)
    rw = wait_for(10, lambda: window(texts["record"]))
    if rw is None:
        fail("no highscore window after the solving keys")
    # The window tells its points once it is shown: the name comes first, the description
    # a moment later on a busy machine.
    if not wait_for(5, lambda: rw.getRole() == pyatspi.ROLE_DIALOG and rw.description.endswith(texts["points"] + ".")):
        fail(f"the highscore window reads as {rw.getRoleName()} {rw.description!r}")
    require_controls(rw, texts["record_controls"], "highscore window")
    require_named(rw, "highscore window")
    key("Escape")
    if not wait_for(5, lambda: window(texts["record"]) is None):
        fail("Escape did not close the highscore window")
    if not wait_for(5, lambda: main.getState().contains(pyatspi.STATE_ACTIVE)):
        fail("the main window did not become active again")

    # The help window: tabs, links, buttons and its picture all named; Escape closes it.
    key("F1")
    hw = wait_for(10, lambda: window(texts["help_title"]))
    if hw is None:
        fail("F1 did not open the help window")
    require_present(hw, "page tab", texts["help_tabs"], "help window")
    require_present(hw, "push button", texts["help_buttons"], "help window")
    links = [name for role, name in shown_controls(hw) if role == "link"]
    if not links:
        fail("the help window's page shows no link")
    require_named(hw, "help window")
    key("Escape")
    if not wait_for(5, lambda: window(texts["help_title"]) is None):
        fail("Escape did not close the help window")
    if not wait_for(5, lambda: main.getState().contains(pyatspi.STATE_ACTIVE)):
        fail("the main window did not become active again")

    # The print page's button, and the print dialog it opens (one puzzle, Ctrl+P), ready
    # once the printer choice shows; Escape cancels.
    key("alt+2")
    if not wait_for(5, lambda: texts["print_button"] in {n for r, n in shown_controls(main) if r == "push button"}):
        fail("the print page shows no named preparation button")
    require_named(main, "print page")
    key("Up", "Up", "ctrl+p")
    dw = wait_for(30, lambda: (w := window(texts["print_title"])) and any(
        r == "combo box" for r, _ in shown_controls(w)) and w)
    if dw is None:
        fail("no ready print dialog after Ctrl+P")
    require_controls(dw, texts["print_controls"], "print dialog")
    require_named(dw, "print dialog")
    key("Escape")
    if not wait_for(5, lambda: window(texts["print_title"]) is None):
        fail("Escape did not cancel the print dialog")
    print(f"PASS ({lang}): {len(shown_controls(main))} controls named; cell {r},{c} read {name!r}")



def same(a, b):
    return a is not None and b is not None and a.path == b.path


def focused_objects():
    return [o for o in walk(app(), into_tables=True) if o.getState().contains(pyatspi.STATE_FOCUSED)]


CONTAINERS = {pyatspi.ROLE_TABLE, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_STATUS_BAR}


def describe(o):
    return f"{o.getRoleName()} {o.name!r}"


def tab_stop():
    """Presses Tab and returns what the focus went to, as the focus events name it."""
    seen = Events("focus:", "object:state-changed:focused").during(lambda: key("Tab"), settle=0.8)
    gained = [e.source for e in seen if e.type.startswith("focus") or e.detail1 == 1]
    return gained[-1] if gained else None


def require_one_focus(at):
    """Whatever says it is focused is the focus itself, its container (a table for its cell, a
    combo box for its editor, a tab list for its tab, the status bar for its link) or what it
    contains; so a page tab only while the focus is on it or its tab list."""
    for o in focused_objects():
        if same(o, at):
            continue
        if same(o, at.parent) and o.getRole() in CONTAINERS:
            continue
        if same(o.parent, at) and at.getRole() in CONTAINERS:
            continue
        fail(f"with the focus on {describe(at)}, {describe(o)} says it is focused too")
    if not at.getState().contains(pyatspi.STATE_FOCUSED):
        fail(f"{describe(at)} had the focus event but does not say it is focused")


def focus_round():
    """One Tab round through the main window, with every stop checked; returns the stops."""
    stops = []
    for _ in range(40):
        at = tab_stop()
        if at is None:
            fail(f"no focus event after Tab (after {stops})")
        require_one_focus(at)
        stop = describe(at)
        if stops and stop == stops[0]:
            return stops
        stops.append(stop)
    fail(f"Tab did not come round in 40 stops: {stops}")


def check_focus_rounds():
    main = wait_for(20, lambda: window("Vantrell Sudoku 1.2"))
    if main is None:
        fail("the main window is not in the tree")
    before = focus_round()
    key("F2")
    if wait_board(9) is None:
        fail("no 9 x 9 board after F2")
    time.sleep(0.5)
    during = focus_round()
    if not any("table cell" in stop for stop in during):
        fail(f"the Tab round with a game does not reach the board: {during}")
    print(f"PASS: {len(before)} stops without a game, {len(during)} with one, each with one focus")


def cell_text(t, n, r, c, texts):
    return texts["cell"].match(t.getChildAtIndex((r - 1) * n + (c - 1)).name).group(3)


def wait_cell(t, n, r, c, texts, want, what):
    if not wait_for(3, lambda: cell_text(t, n, r, c, texts) == want):
        fail(f"after {what} cell {r},{c} reads {cell_text(t, n, r, c, texts)!r}, not {want!r}")


def wait_focus_on(r, c, texts, what):
    def there():
        f = focused()
        return f is not None and texts["cell"].match(f.name).group(1, 2) == (str(r), str(c))
    if not wait_for(3, there):
        f = focused()
        fail(f"after {what} the focus is on {f.name if f else None!r}, not on cell {r},{c}")


def check_undo_redo():
    """A classic game (F2): a slip on one cell taken back and brought back step by step, the
    focus cell following; then the grid filled but for one cell, where a slip is taken back
    and brought back before the right value ends the game with its window; Ctrl+Z after the
    end changes nothing."""
    key("F2")
    t = wait_board(9)
    if t is None:
        fail("no 9 x 9 board after F2")
    n, names = cells(t)
    lang = language_of(names[(1, 1)])
    texts = TEXTS[lang]
    grid = {k: value_of(texts["cell"].match(v).group(3), texts) for k, v in names.items()}
    empty = sorted(k for k, v in grid.items() if v == 0)
    solution = dict(grid)
    if not solve(solution, n, True):
        fail("the board as read has no solution")
    (r, c), last = empty[0], empty[-1]
    fresh = cell_text(t, n, r, c, texts)
    right = solution[(r, c)]
    wrong = next(v for v in range(1, 10) if v != right and str(v) in fresh)
    other = next(v for v in range(1, 10) if v not in (right, wrong) and str(v) in fresh)
    struck = fresh.replace(f"{other}, ", "").replace(f", {other}", "")
    goto = ["ctrl+Home"] + ["Right"] * (c - 1) + ["Down"] * (r - 1)
    # Played: a wrong value, replaced by the right one, emptied, a candidate struck.
    key(*goto, str(wrong), str(right), "Delete", f"shift+{other}")
    wait_cell(t, n, r, c, texts, struck, f"the keys on cell {r},{c}")
    # Taken back one by one, from another cell: the focus comes back each time.
    for want, what in [(fresh, "the strike"), (str(right), "the clear"), (str(wrong), "the replacement"),
                       (fresh, "the first value")]:
        key("ctrl+End", "ctrl+z")
        wait_cell(t, n, r, c, texts, want, "undoing " + what)
        wait_focus_on(r, c, texts, "undoing " + what)
    key("ctrl+z")  # nothing left to take back
    wait_cell(t, n, r, c, texts, fresh, "one undo too many")
    for want, redo in [(str(wrong), "ctrl+shift+z"), (str(right), "ctrl+y"), (fresh, "ctrl+shift+z")]:
        key("ctrl+End", redo)
        wait_cell(t, n, r, c, texts, want, redo)
        wait_focus_on(r, c, texts, redo)
    # A new change drops what could have been redone.
    key(str(right))
    key("ctrl+y")
    wait_cell(t, n, r, c, texts, str(right), "a redo after a new change")

    # The whole grid but the last empty cell. There a wrong value is taken back and brought
    # back: the full grid is not solved, the game goes on; the right value ends it.
    keys = ["ctrl+Home"]
    for row in range(1, n + 1):
        for col in range(1, n + 1):
            if (row, col) != last:
                keys.append(str(solution[(row, col)]))
            if col < n:
                keys.append("Right")
        if row < n:
            keys += ["Home", "Down"]
    subprocess.run(["xdotool", "key", "--delay", "15", *keys], check=True)
    untouched = texts["cell"].match(names[last]).group(3)
    slip = next(v for v in range(1, 10) if v != solution[last])
    goto = ["ctrl+Home"] + ["Right"] * (last[1] - 1) + ["Down"] * (last[0] - 1)
    key(*goto, str(slip), "ctrl+z")
    wait_cell(t, n, *last, texts, untouched, "undoing the slip in the last cell")
    key("ctrl+Home", "ctrl+y")
    wait_cell(t, n, *last, texts, str(slip), "redoing the slip in the last cell")
    wait_focus_on(*last, texts, "redoing the slip in the last cell")
    time.sleep(0.5)
    if window(texts["record"]) or window("Congratulations") or window("Herzlichen Glückwunsch"):
        fail("the game ended on a grid that is not solved")
    key(str(solution[last]))
    ended = wait_for(10, lambda: window(texts["record"]) or window("Congratulations") or
                     window("Herzlichen Glückwunsch"))
    if ended is None:
        fail("the value that completed the grid did not end the game")
    # After the end of the game Ctrl+Z takes nothing back.
    key("Escape")
    if not wait_for(5, lambda: window(ended.name) is None):
        fail("Escape did not close " + ended.name)
    key("ctrl+z")
    time.sleep(0.5)
    if cell_text(t, n, *last, texts) != str(solution[last]):
        fail("Ctrl+Z after the end of the game changed cell %d,%d" % last)
    print(f"PASS: cell {r},{c} undone and redone; the completed grid opened {ended.name!r}")



def field_text(w, name):
    for o in walk(w):
        if o.getRole() == pyatspi.ROLE_TEXT and o.name == name:
            text = o.queryText()
            return text.getText(0, text.characterCount)
    fail(f"no text field {name!r} in {w.name!r}")


def focused_text(w, name):
    """Whether the text field named so has the focus."""
    return any(o.getRole() == pyatspi.ROLE_TEXT and o.name == name and o.getState().contains(pyatspi.STATE_FOCUSED)
               for o in walk(w))


def alert():
    a = app()
    for o in walk(a):
        if o.getRole() == pyatspi.ROLE_ALERT and showing(o):
            return o
    return None


def alert_text(o):
    return " ".join(c.name for c in walk(o) if c.getRole() == pyatspi.ROLE_LABEL and c.name)


def check_no_browser(shots):
    """A game solved by keys to the highscore window, whose Submit finds no browser: the window
    stays, a message says so, and the unchanged code can be copied from the window."""
    key("F2")
    t = wait_board(9)
    if t is None:
        fail("no 9 x 9 board after F2")
    lang = language_of(t.getChildAtIndex(0).name)
    texts = TEXTS[lang]
    subprocess.run(["xdotool", "key", "--delay", "15", *keys_to_solve(True)], check=True)
    rw = wait_for(10, lambda: window(texts["record"]))
    if rw is None:
        fail("no highscore window after the solving keys")
    code = field_text(rw, "Code")
    if not re.fullmatch(r"\d{23}", code):
        fail("the code field holds " + repr(code))
    key("Return")
    box = wait_for(5, alert)
    if box is None:
        fail("Submit without a browser said nothing")
    said = alert_text(box)
    if texts["no_browser"] not in said:
        fail("the message reads " + repr(said))
    subprocess.run(["import", "-window", "root", shots + "-message.png"], check=True)
    key("Return")
    if not wait_for(5, lambda: alert() is None):
        fail("Enter did not close the message")
    time.sleep(0.5)
    rw = window(texts["record"])
    if rw is None:
        fail("the highscore window closed although nothing was sent")
    if field_text(rw, "Code") != code:
        fail(f"the code changed from {code} to {field_text(rw, 'Code')}")
    if code not in field_text(rw, "Link"):
        fail("the link no longer carries the code")
    # The code field has the focus with its text selected: copied, and pasted into the name.
    # (The window comes back to the front after the message; the keys wait for that.)
    if not wait_for(5, lambda: focused_text(rw, "Code")):
        fail("the code field does not have the focus after the message")
    key("ctrl+a", "ctrl+c", "shift+Tab")
    if not wait_for(5, lambda: focused_text(rw, "Name")):
        fail("Shift+Tab did not bring the focus to the name field")
    key("ctrl+a", "ctrl+v")
    if not wait_for(3, lambda: field_text(rw, "Name") == code):
        fail("the copied code did not arrive in the name field: " + repr(field_text(rw, "Name")))
    subprocess.run(["import", "-window", "root", shots + "-after.png"], check=True)
    key("Escape")
    if not wait_for(5, lambda: window(texts["record"]) is None):
        fail("Escape did not close the highscore window")
    print(f"PASS ({lang}): the window stayed with {said!r}; code {code} copied")


def main():
    if len(sys.argv) < 2:
        fail(__doc__)
    command = sys.argv[1]
    if wait_for(20, app) is None:
        fail("the game is not on the accessibility bus")
    if command == "wait-board":
        if wait_board(int(sys.argv[2])) is None:
            fail("no board of that side")
    elif command == "solve-keys":
        solve_keys("--blocks" in sys.argv)
    elif command == "names":
        w = wait_for(10, lambda: window(sys.argv[2]))
        if w is None:
            fail("no window " + sys.argv[2])
        print(w.getRoleName(), repr(w.name), repr(w.description))
        for role, name in shown_controls(w):
            print(role, repr(name))
    elif command == "focus":
        f = focused()
        print(f"{f.getRoleName()} {f.name!r}" if f else "nothing")
    elif command == "check":
        check(sys.argv[2])
    elif command == "focus-round":
        check_focus_rounds()
    elif command == "undo-redo":
        check_undo_redo()
    elif command == "no-browser":
        check_no_browser(sys.argv[2])
    else:
        fail("unknown command " + command)


if __name__ == "__main__":
    main()
