#!/usr/bin/python3
"""Drives the program through the desktop's accessibility bus, as a screen reader does.

Starts a virtual X display, a D-Bus session with the AT-SPI bus and the program (accessibility
always on, a throwaway registry folder). Then reads the accessibility tree with pyatspi, finds
the start page's button "Neues Projekt beginnen" by its name, activates it through its action
and waits for the collect page's headline "Sammeln der Optionen".

Then it goes through a small decision the same way: two options typed in, a run started, the
pair answered. The new pair and the result must be announced (a changed accessible description
arrives as an event), and the result list must read its rows as text.

Usage: screen_reader_check.py PROGRAM [--events]
Exit code 0 when everything was found, 1 otherwise. Every process started here is ended here,
by its own id. With --events it also prints the events the program sent.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TIMEOUT = 20.0  # seconds for each wait


def fail(message):
    print("FAIL: " + message, flush=True)
    return 1


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns something true; returns that or None."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.1)
    print("timed out waiting for " + what, flush=True)
    return None


def start_display():
    """Xvfb on the first free display number it finds itself; returns (process, ':N')."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        xvfb.kill()
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number.decode().strip()


def display_accepts(display):
    """True when the X server of `display` (":N") takes a connection on its local socket."""
    import socket
    path = "/tmp/.X11-unix/X" + display.lstrip(":")
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        probe.settimeout(1.0)
        try:
            probe.connect(path)
            return True
        except OSError:
            return False


def start_session_bus(env):
    """dbus-launch: returns (address, pid of the bus daemon)."""
    out = subprocess.run(["dbus-launch", "--sh-syntax"], env=env, check=True,
                         capture_output=True, text=True, timeout=TIMEOUT).stdout
    values = {}
    for line in out.splitlines():
        if "=" in line:
            key, _, value = line.partition("=")
            values[key.strip()] = value.strip().rstrip(";").strip("'")
    return values["DBUS_SESSION_BUS_ADDRESS"], int(values["DBUS_SESSION_BUS_PID"])


def write_registry(folder):
    """The machine root with "NoUpdate": no update wizard at the first start."""
    with open(os.path.join(folder, "HKEY_LOCAL_MACHINE.reg"), "w", encoding="utf-8") as f:
        f.write("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Quarv]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Quarv\\Rangwerk]\n"
                "\"NoUpdate\"=\"\"\n\n")


def descendants(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from descendants(node.getChildAtIndex(i), depth + 1)


def find(root, name, role=None, showing=False):
    import pyatspi
    for node in descendants(root):
        if node.name != name:
            continue
        if role is not None and node.getRole() != role:
            continue
        if showing and not node.getState().contains(pyatspi.STATE_SHOWING):
            continue
        return node
    return None


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "Toggle"):
        if wanted in names:
            return action.doAction(names.index(wanted))
    raise RuntimeError("no press action among %s" % names)


def pump_events(seconds=0.0):
    """Lets pyatspi deliver the events that arrived; waits `seconds` meanwhile."""
    from gi.repository import GLib
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def run_checks(program, show_events):
    import pyatspi

    def application():
        if program.poll() is not None:
            return "ended"
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == program.pid:
                return app
        return None

    app = wait_for("the program on the accessibility bus", application)
    if app is None or app == "ended":
        return fail("the program did not appear on the accessibility bus")

    new = wait_for("\"Neues Projekt beginnen\"",
                   lambda: find(app, "Neues Projekt beginnen", pyatspi.ROLE_PUSH_BUTTON, True))
    if new is None:
        return fail("no showing push button named \"Neues Projekt beginnen\"")
    for other in ("Gespeichertes Projekt öffnen", "Information"):
        if find(app, other, pyatspi.ROLE_PUSH_BUTTON, True) is None:
            return fail("no showing push button named \"%s\"" % other)
    if not press(new):
        return fail("the press action of \"Neues Projekt beginnen\" was refused")

    collect = wait_for("the collect page",
                       lambda: find(app, "Sammeln der Optionen", None, True))
    if collect is None:
        return fail("the collect page did not appear")
    print("collect page reached through the accessibility bus", flush=True)
    return decide(app, show_events)


def decide(app, show_events):
    """A whole small decision through the bus: two options, a run, one answer. The new pair
    and the result are announced, and the result list reads its rows."""
    import pyatspi

    seen = []

    def listener(event):
        try:
            seen.append((event.type, event.source.getRoleName(), event.source.name,
                         event.source.description))
        except Exception:  # the source went away meanwhile
            pass

    pyatspi.Registry.registerEventListener(listener, "object", "focus", "window")
    try:
        def showing(name, role):
            return wait_for('"%s"' % name, lambda: find(app, name, role, True))

        for option in ("Apfel", "Birne"):
            field = wait_for("the name field", lambda: next(
                (n for n in descendants(app) if n.getRole() == pyatspi.ROLE_TEXT
                 and n.name.startswith("Name der Option")
                 and n.getState().contains(pyatspi.STATE_SHOWING)), None))
            if field is None:
                return fail("no name field on the collect page")
            field.queryEditableText().setTextContents(option)
            press(showing("Hinzufügen", pyatspi.ROLE_PUSH_BUTTON))
            rows = wait_for("the option " + option, lambda: find(app, option, pyatspi.ROLE_LIST_ITEM))
            if rows is None:
                return fail("the option %s was not added" % option)
        press(showing("Weiter >", pyatspi.ROLE_PUSH_BUTTON))
        if wait_for("the settings page", lambda: find(app, "Festlegen der Einstellungen", None, True)) is None:
            return fail("the settings page did not appear")
        press(showing("Reihenfolge nicht verändern", pyatspi.ROLE_RADIO_BUTTON))
        pump_events(0.2)
        seen.clear()
        press(showing("Weiter >", pyatspi.ROLE_PUSH_BUTTON))

        pair = "Vergleich: Apfel oder Birne"
        remis = wait_for("the comparison page",
                         lambda: find(app, "Unentschieden", pyatspi.ROLE_PUSH_BUTTON, True))
        if remis is None:
            return fail("the comparison page did not appear")
        if wait_for("the pair's announcement", lambda: pump_events() or any(
                e[0].startswith("object:property-change:accessible-description")
                and e[3] == pair for e in seen)) is None:
            return fail("the new pair was not announced")
        if remis.description != pair:
            return fail("\"Unentschieden\" describes %r" % remis.description)
        print("new pair announced: " + pair, flush=True)
        if show_events:
            print("\n".join("  %s  %s %r %r" % e for e in seen))

        seen.clear()
        press(showing("Apfel", pyatspi.ROLE_PUSH_BUTTON))
        result = wait_for("the result list",
                          lambda: find(app, "Reihenfolge der Optionen", pyatspi.ROLE_LIST, True))
        if result is None:
            return fail("the result page did not appear")
        expected = ["1. Apfel, 1 Punkt", "2. Birne, -1 Punkt"]
        rows = wait_for("the result rows", lambda: [
            result.getChildAtIndex(i).name for i in range(result.childCount)] == expected)
        if rows is None:
            return fail("the result list reads %r" % [
                result.getChildAtIndex(i).name for i in range(result.childCount)])
        announced = "Ergebnis: 1. Apfel, 1 Punkt"
        if wait_for("the result's announcement", lambda: pump_events() or any(
                e[0].startswith("object:property-change:accessible-description")
                and e[3] == announced for e in seen)) is None:
            return fail("the new result was not announced")
        print("result read through the accessibility bus: " + "; ".join(expected), flush=True)
        if show_events:
            print("\n".join("  %s  %s %r %r" % e for e in seen))
        return 0
    finally:
        pyatspi.Registry.deregisterEventListener(listener, "object", "focus", "window")


ENVIRONMENT_FAILED = 3  # the display or the buses did not come up: worth another try


def attempt(program, show_events):
    launcher = "/usr/libexec/at-spi-bus-launcher"
    workdir = tempfile.mkdtemp(prefix="rangwerk-atspi-")
    started = []  # processes (or pids) started here, ended in reverse order
    try:
        registry = os.path.join(workdir, "registry")
        os.makedirs(registry)
        write_registry(registry)

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "AT_SPI", "QT_", "XDG_RUNTIME"))}
        env["HOME"] = workdir
        env["XDG_RUNTIME_DIR"] = workdir
        os.chmod(workdir, 0o700)

        xvfb, display = start_display()
        started.append(xvfb)
        if not wait_for("the display " + display, lambda: display_accepts(display), 5.0):
            return ENVIRONMENT_FAILED
        env["DISPLAY"] = display

        address, bus_pid = start_session_bus(env)
        started.append(bus_pid)
        env["DBUS_SESSION_BUS_ADDRESS"] = address

        bus_launcher = subprocess.Popen([launcher, "--launch-immediately"], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        started.append(bus_launcher)

        program_env = dict(env)
        program_env.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_QPA_PLATFORM": "xcb",
                            "RANGWERK_REGISTRY_DIR": registry, "LANG": "de_DE.UTF-8"})
        log_path = os.path.join(workdir, "program.log")
        with open(log_path, "w") as log:
            app = subprocess.Popen([program], env=program_env, stdout=log, stderr=log,
                                   start_new_session=True)
        started.append(app)

        # pyatspi reads the bus address when it is imported.
        os.environ.update({"DISPLAY": display, "DBUS_SESSION_BUS_ADDRESS": address,
                           "XDG_RUNTIME_DIR": workdir})
        code = run_checks(app, show_events)
        if app.poll() is not None:
            code = fail("the program ended with exit code %d" % app.returncode) or code
        if code != 0:
            with open(log_path) as f:
                output = f.read()
            print("program output:\n" + output)
            if "could not connect to display" in output or xvfb.poll() is not None:
                return ENVIRONMENT_FAILED
        return code
    finally:
        for item in reversed(started):
            if isinstance(item, int):
                try:
                    os.kill(item, signal.SIGTERM)
                except ProcessLookupError:
                    pass
                continue
            if item.poll() is None:
                item.terminate()
                try:
                    item.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    item.kill()
                    item.wait()
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__)
        return 2
    program = os.path.abspath(args[0])
    show_events = "--events" in sys.argv[1:]
    if "--attempt" in sys.argv[1:]:
        return attempt(program, show_events)

    for tool in ("Xvfb", "dbus-launch", "/usr/libexec/at-spi-bus-launcher"):
        if shutil.which(tool) is None:
            return fail(tool + " is missing")
    # Each attempt runs in a process of its own: pyatspi keeps the bus it found first. Only a
    # display or bus that did not come up is tried again.
    for number in range(1, 4):
        code = subprocess.run([sys.executable, os.path.abspath(__file__), program, "--attempt"]
                              + (["--events"] if show_events else [])).returncode
        if code != ENVIRONMENT_FAILED:
            return code
        print("attempt %d: the display or the buses did not come up" % number, flush=True)
    return 1


if __name__ == "__main__":
    sys.exit(main())
