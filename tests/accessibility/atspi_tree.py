#!/usr/bin/python3
"""The running application as a screen reader reads it.

Run inside a session bus with a display (run_atspi.sh arranges both): starts the
accessibility bus, runs the real application in a fresh home for each scenario and reads
its tree over AT-SPI with pyatspi. Each check is one function registered with @check and
the scenario it needs; add a check by writing one more function.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback
from http.server import BaseHTTPRequestHandler, HTTPServer

import pyatspi

APP = sys.argv[1] if len(sys.argv) > 1 else "quorlent"
OVERALL_SECONDS = int(os.environ.get("QRL_ATSPI_TIMEOUT", "200"))
CHECKS = []  # (scenario, name, function)


def check(scenario):
    def register(function):
        CHECKS.append((scenario, function.__name__, function))
        return function
    return register


# ---- reading the tree -------------------------------------------------------------------

def role(a):
    return a.getRoleName()


def states(a):
    return set(a.getState().getStates())


def showing(a):
    s = states(a)
    return pyatspi.STATE_SHOWING in s and pyatspi.STATE_VISIBLE in s


def children(a):
    out = []
    for i in range(a.childCount):
        c = a.getChildAtIndex(i)
        if c is not None:
            out.append(c)
    return out


def walk(a, depth=0, limit=40):
    yield a, depth
    if depth < limit:
        for c in children(a):
            yield from walk(c, depth + 1, limit)


def find_all(root, predicate):
    return [a for a, _ in walk(root) if predicate(a)]


def find(root, predicate):
    for a, _ in walk(root):
        if predicate(a):
            return a
    return None


def dump(root, limit=12):
    lines = []
    for a, d in walk(root, limit=limit):
        flags = []
        s = states(a)
        if pyatspi.STATE_SHOWING in s:
            flags.append("showing")
        if pyatspi.STATE_SELECTED in s:
            flags.append("selected")
        lines.append("%s%s %r %s" % ("  " * d, role(a), a.name, ",".join(flags)))
    return "\n".join(lines)


def wait_for(condition, seconds=20, step=0.2):
    end = time.time() + seconds
    while time.time() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception:
            pass
        time.sleep(step)
    return None


def press(a):
    action = a.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "click", "Press", "toggle", "SetFocus", "activate"):
            action.doAction(i)
            return
    action.doAction(0)


def value_of(a):
    try:
        return a.queryValue().currentValue
    except NotImplementedError:
        return None


def inside_text(a):
    p = a.parent
    while p is not None:
        if role(p) == "text":
            return True  # a text field's own viewport and scroll bars: read through the field
        p = p.parent
    return False


def decorations_left(root):
    """Showing leaves with nothing to say: a decorative symbol that reaches the reader."""
    out = []
    for a in find_all(root, lambda a: a.childCount == 0 and showing(a)):
        if (a.name or "").strip() or (a.description or "").strip() or inside_text(a):
            continue
        if role(a) in ("push button", "text", "scroll bar", "separator", "menu item", "page tab"):
            continue
        out.append(role(a))
    return out


def main_frame(app):
    return find(app, lambda a: role(a) == "frame")


# ---- the application in a scenario --------------------------------------------------------

class VersionServer:
    """Answers the update check with a version the installed build is below the minimum of."""

    def __init__(self):
        body = json.dumps({
            "latestVersion": "99.0", "latestBuild": 999999, "minBuild": 999999, "minimumMacos": "0",
            "downloadUrl": "https://example.invalid/quorlent.tar", "notes": {"en": "Security fixes.", "ar": "إصلاحات."},
        }).encode()

        class Handler(BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = HTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_port

    def close(self):
        self.server.shutdown()


def preference(value):
    if isinstance(value, bool):
        return {"type": "bool", "value": value}
    return {"type": "string", "value": value}


class Running:
    def __init__(self, scenario):
        self.home = tempfile.mkdtemp(prefix="qrl-atspi-")
        self.server = None
        prefs = {}
        if scenario != "firstStart":
            prefs["onboardingCompleted"] = preference(True)
        if scenario == "required":
            self.server = VersionServer()
            prefs["QRLServerURL"] = preference(self.server.url)
        config = os.path.join(self.home, ".config", "Lumbrel", "Quorlent")
        os.makedirs(config)
        with open(os.path.join(config, "preferences.json"), "w") as f:
            json.dump({k: v for k, v in prefs.items()}, f)
        if scenario == "history":
            folder = os.path.join(self.home, ".local", "share", "Lumbrel", "Quorlent", "History")
            os.makedirs(folder)
            with open(os.path.join(folder, "snapshots.json"), "w") as f:
                json.dump(saved_scans(), f)
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ)
        env.update({
            "HOME": self.home, "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"), "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": runtime, "QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1", "LANGUAGE": "en", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
        })
        self.process = subprocess.Popen([APP], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.app = wait_for(self._find_app, 30)
        if self.app is None:
            self.close()
            raise RuntimeError("the application did not appear on the accessibility bus")
        # The first inspection has filled the sidebar (or the required card covers it).
        if not wait_for(lambda: len(find_all(self.app, lambda a: role(a) == "list item")) > 8
                        or (scenario == "required" and required_card(self.app)), 30):
            raise RuntimeError("no inspection appeared:\n" + dump(self.app))

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.get_process_id() == self.process.pid:
                return a
        return None

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.server:
            self.server.close()
        shutil.rmtree(self.home, ignore_errors=True)


def saved_scans():
    """Two scans of another machine a day apart: one reading changed, one appeared."""
    def scan(ident, date, cores, extra):
        items = [{"label": "Cores", "value": cores, "status": "supported", "key": "cores", "isVolatile": False}]
        if extra:
            items.append({"label": "Vector units", "value": "AVX-512", "status": "warning", "key": "vector", "isVolatile": False})
        return {"id": ident, "date": date, "deviceName": "bench", "modelIdentifier": "Atspi1,1", "chip": "Ryzen",
                "osVersion": "Debian 12", "language": "en",
                "sections": [{"title": "Processor", "symbol": "cpu", "items": items, "key": "processor"}]}
    # Newest first, as the file keeps them.
    return [scan("0F8B2C1E-3D4A-4B5C-9E6F-7A8B9C0D1E2F", "2026-03-02T09:15:42Z", "16", True),
            scan("1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D", "2026-03-01T09:15:42Z", "8", False)]


# ---- the checks ---------------------------------------------------------------------------------

def open_category(app):
    card = wait_for(lambda: find(main_frame(app), lambda a: role(a) == "push button" and a.description == "Opens this category"
                                 and a.name == "Network"))
    assert card, "no category card on the overview"
    press(card)


def status_filter(app):
    titles = ["All", "Supported", "Warnings", "Not supported"]
    return find(main_frame(app), lambda a: [c.name for c in children(a)] == titles)


@check("completed")
def status_filter_has_one_element_per_segment(app):
    open_category(app)
    control = wait_for(lambda: status_filter(app), 10)
    assert control, "no element with the four segments:\n" + dump(main_frame(app))
    segments = children(control)
    selected = [s.name for s in segments if pyatspi.STATE_SELECTED in states(s)]
    assert selected == ["All"], "selected segments: %r" % selected
    assert all(showing(s) for s in segments), "a segment is not showing"
    press(segments[2])
    assert wait_for(lambda: [s.name for s in children(status_filter(app)) if pyatspi.STATE_SELECTED in states(s)] == ["Warnings"], 5), \
        "choosing Warnings through its action did not select it"


@check("completed")
def status_tiles_are_buttons_with_counts(app):
    tiles = find_all(main_frame(app), lambda a: role(a) == "push button" and (a.name or "").startswith(("Supported:", "Warnings:", "Not supported:")))
    assert len(tiles) == 3, "status tiles: %r" % [t.name for t in tiles]
    assert all(pyatspi.STATE_FOCUSABLE in states(t) for t in tiles)


@check("firstStart")
def onboarding_symbols_are_hidden(app):
    sheet = wait_for(lambda: find(app, lambda a: role(a) == "dialog" and showing(a)), 20)
    assert sheet, "no onboarding sheet"
    left = decorations_left(sheet)
    assert not left, "decorative elements read out: %r\n%s" % (left, dump(sheet))
    # The second page too.
    press(find(sheet, lambda a: role(a) == "push button" and a.name == "Continue"))
    time.sleep(1.0)
    left = decorations_left(sheet)
    assert not left, "decorative elements on the second page: %r\n%s" % (left, dump(sheet))


def open_page_from_menu(app, name):
    """Through the Inspect menu's item, as a screen reader's menu navigation does."""
    item = wait_for(lambda: find(main_frame(app), lambda a: role(a) == "menu item" and a.name == name
                                 and a.parent is not None and a.parent.parent is not None
                                 and a.parent.parent.name == "Inspect"))
    assert item, "no menu item %r" % name
    press(item)


def painted_list(app, first_word):
    """A list of painted rows: the timeline's rows read a date first, the change list's a kind."""
    def rows_match(a):
        rows = children(a)
        return role(a) == "list" and showing(a) and rows and all(role(r) == "list item" for r in rows) \
            and first_word(rows[0].name or "")
    return find(main_frame(app), rows_match)


def selected_names(a):
    return [r.name for r in children(a) if pyatspi.STATE_SELECTED in states(r)]


@check("history")
def history_rows_read_with_names_and_selection(app):
    open_page_from_menu(app, "History")
    timeline = wait_for(lambda: painted_list(app, lambda n: "2026" in n), 15)
    assert timeline, "no timeline of scans:\n" + dump(main_frame(app), 16)
    rows = children(timeline)
    names = [r.name for r in rows]
    assert len(rows) >= 2, "timeline rows: %r" % names
    assert all(n and n.count(", ") >= 2 for n in names), "a row without its date, machine and counts: %r" % names
    march = [n for n in names if n.startswith("Mar ") and "Ryzen" in n]
    assert len(march) >= 2, "the two saved scans are not rows: %r" % names
    assert all(pyatspi.STATE_SELECTABLE in states(r) for r in rows), "a timeline row is not selectable"
    assert len(selected_names(timeline)) == 2, "selected rows: %r" % selected_names(timeline)

    changes = wait_for(lambda: painted_list(app, lambda n: n.split(",")[0] in ("Added", "Removed", "Changed")), 10)
    assert changes, "no change list:\n" + dump(main_frame(app), 16)
    spoken = [c.name for c in children(changes)]
    assert spoken and all(n.count(", ") >= 1 for n in spoken), "change rows: %r" % spoken
    assert all(pyatspi.STATE_SELECTED not in states(c) for c in children(changes)), "a change row reads as selected"
    if all(n.startswith("Mar ") for n in selected_names(timeline)):
        assert spoken == ["Changed, Cores, 8, 16", "Added, Vector units, AVX-512"], "change rows: %r" % spoken

    if len(rows) > 2:
        # Choosing an unselected scan through its action selects it.
        other = next(i for i, r in enumerate(rows) if pyatspi.STATE_SELECTED not in states(r))
        press(rows[other])
        assert wait_for(lambda: pyatspi.STATE_SELECTED in states(children(timeline)[other]), 5), \
            "choosing a scan through its action did not select it: %r" % selected_names(timeline)


def required_card(app):
    return find(app, lambda a: (a.name or "") == "Update Required" and showing(a) and a.childCount > 0)


@check("required")
def required_card_is_a_dialog_with_no_decoration(app):
    card = wait_for(lambda: required_card(app), 20)
    assert card, "the required card never showed:\n" + dump(app)
    assert role(card) in ("dialog", "alert"), "the card is a %s" % role(card)
    left = decorations_left(card)
    assert not left, "decorative elements read out: %r\n%s" % (left, dump(card))


@check("required")
def content_under_a_required_update_is_hidden(app):
    assert wait_for(lambda: required_card(app), 20), "the required card never showed"
    frame = main_frame(app)
    reachable = find_all(frame, lambda a: showing(a) and role(a) in ("list item", "tool bar", "split pane", "push button")
                         and not is_inside_card(a))
    names = ["%s %r" % (role(a), a.name) for a in reachable]
    assert not names, "blocked content still read out: %r" % names[:10]


def is_inside_card(a):
    p = a
    while p is not None:
        if (p.name or "") == "Update Required":
            return True
        p = p.parent
    return False


# ---- running them ----------------------------------------------------------------------

def main():
    signal.signal(signal.SIGALRM, lambda *_: (print("accessibility test: timed out"), os._exit(3)))
    signal.alarm(OVERALL_SECONDS)
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    only = os.environ.get("QRL_ATSPI_ONLY")
    failures = 0
    try:
        for scenario in sorted({s for s, _, _ in CHECKS}):
            for s, name, function in CHECKS:
                if s != scenario or (only and only not in name):
                    continue
                # One fresh run per check: a check that navigates leaves the next one a clean window.
                running = None
                try:
                    running = Running(scenario)
                    function(running.app)
                    print("ok     %s" % name)
                except Exception as error:
                    failures += 1
                    print("FAILED %s: %s" % (name, error))
                    if not isinstance(error, AssertionError):
                        traceback.print_exc()
                finally:
                    if running:
                        running.close()
    finally:
        launcher.terminate()
    print("%d of %d checks failed" % (failures, len(CHECKS)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
