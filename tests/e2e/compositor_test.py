#!/usr/bin/python3
"""The program on a real Wayland compositor nested in the test's X server,
once as an X client of the compositor's XWayland (xcb) and once as a native
Wayland client (started as a user would, with no platform named: the program
asks for it). Input goes to the outer X server, so that it reaches the
program through the compositor, as a device's would; what the program does is
read through AT-SPI (page number, highlighted button, the level dialog) and
from screenshots of the compositor's output.

    compositor_test.py <weston|mutter> <program> <stand-in engine> <work folder>

Checked on each platform: full screen (the page's colour fills the whole
output), scanning (the highlight), a key switch, a click on the page that
presses whichever button is highlighted (both directions), the
post-acceptance delay (a double click turns one page), the level dialog
opening from the pop-up menu and closing, the menu on the screen (except
where weston hides an X client's menu), and a clean exit. Exits non-zero on the first failure.
"""
import os
import re
import signal
import subprocess
import sys
import time

import pyatspi

from atspi_tree import PAGE, find

WIDTH, HEIGHT = 1000, 700
DELAY_MS = 2000  # the post-acceptance delay in the settings
SELECT_KEY = "F5"
PAGE_COLOURS = [(0, 192, 96), (192, 0, 160), (224, 128, 0)]
TIMEOUT = float(os.environ.get("TIRVELO_COMPOSITOR_TIMEOUT", "90"))  # generous: the machine may be busy


def fail(message):
    if os.environ.get("TIRVELO_COMPOSITOR_SHOT"):
        subprocess.run(["import", "-silent", "-window", "root", os.environ["TIRVELO_COMPOSITOR_SHOT"]])
    sys.exit(f"FAIL [{CONTEXT}]: {message}")


CONTEXT = "set-up"


def wait_for(what, probe, seconds=TIMEOUT, on_timeout=None):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = probe()
        except Exception:  # a node that went away while read
            value = None
        if value:
            return value
        time.sleep(0.1)
    fail(f"timed out waiting for {what}" + (f": {on_timeout()}" if on_timeout else ""))


# ---------------------------------------------------------------- the compositor


class Compositor:
    def __init__(self, kind, work):
        self.kind = kind
        self.runtime = os.path.join(work, "runtime")
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.socket = f"tirvelo-{kind}-{os.getpid()}"
        self.log = os.path.join(work, f"{kind}.log")
        self.pid_file = os.path.join(work, f"{kind}.pid")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        env.pop("WAYLAND_DISPLAY", None)
        if kind == "weston":
            command = ["weston", "--backend=x11-backend.so", "--xwayland", f"--width={WIDTH}",
                       f"--height={HEIGHT}", f"--socket={self.socket}", "--idle-time=0"]
            self.title = "^Weston Compositor"
            listening = re.compile(r"xserver listening on display (:\d+)")
        else:
            # mutter runs in a D-Bus session of its own; its pid is written down
            # so that it can be ended (dbus-run-session does not end it).
            env["MUTTER_DEBUG_DUMMY_MODE_SPECS"] = f"{WIDTH}x{HEIGHT}"
            command = ["dbus-run-session", "--", "sh", "-c",
                       'echo $$ > "$0"; exec mutter --nested --wayland --wayland-display="$1"', self.pid_file,
                       self.socket]
            self.title = "^mutter$"
            listening = re.compile(r"Using public X11 display (:\d+)")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                                            start_new_session=True)
        self.x_display = wait_for(f"{kind}'s XWayland display", lambda: self._logged(listening))
        wait_for(f"{kind}'s Wayland socket", lambda: os.path.exists(os.path.join(self.runtime, self.socket)))
        self.xauthority = None
        if kind == "mutter":
            self.xauthority = wait_for("mutter's XWayland cookie", lambda: next(
                (os.path.join(self.runtime, f) for f in os.listdir(self.runtime)
                 if f.startswith(".mutter-Xwaylandauth.")), None))
        # mutter opens its window at 640x480 and then takes the mode asked for.
        window = wait_for(f"{kind}'s output window of {WIDTH}x{HEIGHT}", lambda: (
            lambda found: found if found and (int(found.group(2)), int(found.group(3))) == (WIDTH, HEIGHT) else None)(
                self._output_window()))
        self.window = window.group(1)
        self.origin = (int(window.group(4)), int(window.group(5)))

    def _output_window(self):
        # A top-level window of the outer X server: id "title": (class) WxH+X+Y
        listing = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True, timeout=30)
        for line in listing.stdout.splitlines():
            match = re.match(r'\s*(0x[0-9a-f]+) "([^"]*)".*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
            if match and re.search(self.title, match.group(2)):
                return re.match(r'\s*(0x[0-9a-f]+) "[^"]*".*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
        return None

    def _logged(self, pattern):
        if self.process.poll() is not None:
            fail(f"{self.kind} ended at start:\n{open(self.log, errors='replace').read()}")
        match = pattern.search(open(self.log, errors="replace").read())
        return match.group(1) if match else None

    def stop(self):
        pids = [self.process.pid]
        if os.path.exists(self.pid_file):
            pids.insert(0, int(open(self.pid_file).read().strip() or 0))
        for pid in pids:
            try:
                os.kill(pid, signal.SIGTERM)
            except (ProcessLookupError, ValueError):
                pass
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()


# ---------------------------------------------------------------- input and screen


def xdotool(*arguments):
    if subprocess.run(["xdotool", *arguments], timeout=30).returncode != 0:
        fail(f"xdotool {' '.join(arguments)} failed")


def output_point(compositor, fx, fy):
    return (str(compositor.origin[0] + min(int(WIDTH * fx), WIDTH - 1)),
            str(compositor.origin[1] + min(int(HEIGHT * fy), HEIGHT - 1)))


def point_at_page(compositor):
    """The pointer onto the page, where a switch user leaves it. weston's X11
    back end moves its pointer by the outer pointer's steps, clamped to its
    output, so it is first pinned into a corner from the far one."""
    for corner in ((1.0, 1.0), (0.0, 0.0)):
        xdotool("mousemove", *output_point(compositor, *corner))
    xdotool("mousemove", *output_point(compositor, 0.6, 0.6))


def output_pixels(compositor):
    """The compositor's output as rows of RGB bytes, from the outer X server."""
    shot = subprocess.run(["import", "-silent", "-window", compositor.window, "-depth", "8", "ppm:-"], capture_output=True,
                          timeout=60)
    if shot.returncode != 0:
        return None
    data = shot.stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    if not header:
        return None
    width, height = int(header.group(1)), int(header.group(2))
    return width, height, data[header.end():]


def covers_output(compositor, colour):
    """True when the page's colour fills the output's four corners and middle."""
    shot = output_pixels(compositor)
    if shot is None:
        return False
    width, height, pixels = shot
    # The buttons and labels sit at the top left; everything else is the page.
    for x, y in ((width - 3, 2), (2, height - 3), (width - 3, height - 3), (width // 2, height // 2),
                 (width - 3, height // 2)):
        offset = (y * width + x) * 3
        if any(abs(pixels[offset + i] - colour[i]) > 12 for i in range(3)):
            global LAST_MISMATCH
            LAST_MISMATCH = f"({x}, {y}) of {width}x{height} is {tuple(pixels[offset:offset + 3])}, not {colour}"
            return False
    return True


LAST_MISMATCH = None


# ---------------------------------------------------------------- the program through AT-SPI


PROGRAM_PID = None  # the run's program: an earlier run's may still be listed


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and (app.name or "").lower() == "tirvelo" and app.get_process_id() == PROGRAM_PID:
            return app
    return None


def page_label():
    label = find(application(), lambda n: n.getRoleName() == "label" and PAGE.match(n.name or ""))
    return label.name if label is not None else None


def highlighted():
    """The name of the button the scan highlights (it reads as focused), or None."""
    app = application()
    for name in ("Anterior", "Següent"):
        button = find(app, lambda n: n.getRoleName() == "push button" and n.name == name)
        if button is not None and button.getState().contains(pyatspi.STATE_FOCUSED):
            return name
    return None


def showing_dialog():
    dialog = find(application(), lambda n: n.getRoleName() == "dialog" and n.name == "Nivell d'entrada d'audio")
    return dialog is not None and dialog.getState().contains(pyatspi.STATE_SHOWING)


def x_windows(compositor):
    """The ids of the program's top-level windows on the compositor's XWayland."""
    env = dict(os.environ, DISPLAY=compositor.x_display)
    if compositor.xauthority:
        env["XAUTHORITY"] = compositor.xauthority
    listing = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True, timeout=30, env=env)
    return env, re.findall(r'(0x[0-9a-f]+) "Tirvelo": \("tirvelo"', listing.stdout)


def x_menu_mapped(compositor):
    """True while one of the program's override-redirect windows (its pop-up
    menu) is mapped on the compositor's XWayland."""
    env, windows = x_windows(compositor)
    for window in windows:
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True, timeout=30, env=env).stdout
        if "IsViewable" in info and "Override Redirect State: yes" in info:
            return True
    return False


def open_menu(compositor, platform):
    """A right click on the page; the menu shows where the pointer is."""
    point_at_page(compositor)
    xdotool("click", "3")
    if compositor.kind == "weston" and platform == "xcb":
        # weston 10 stacks an X client's override-redirect windows (its pop-up
        # menus) under its full-screen layer: the menu opens, with the
        # keyboard, out of sight.
        wait_for("the pop-up menu mapped on XWayland", lambda: x_menu_mapped(compositor))
        return
    wait_for("the pop-up menu on the screen", lambda: menu_shown(compositor), on_timeout=lambda: LAST_MISMATCH)


def menu_shown(compositor):
    shot = output_pixels(compositor)
    if shot is None:
        return False
    width, _, pixels = shot
    x, y = int(WIDTH * 0.6) + 60, int(HEIGHT * 0.6) + 20
    offset = (y * width + x) * 3
    pixel = tuple(pixels[offset:offset + 3])
    global LAST_MISMATCH
    LAST_MISMATCH = f"({x}, {y}) is {pixel}"
    return all(abs(pixel[i] - 239) < 24 for i in range(3))  # the menu's light grey


# ---------------------------------------------------------------- one run


def write_settings(config):
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Quirna2001.ini"), "wb") as ini:
        ini.write(b"[Tirvelo]\r\nEscaneig=s\xed\r\nIdioma=Catala\r\n"
                  + f"RetardDespresAcceptacio={DELAY_MS}\r\nTeclaSeleccio={SELECT_KEY}\r\n".encode())


def write_book(folder):
    os.makedirs(folder, exist_ok=True)
    pages = []
    for number, colour in enumerate(PAGE_COLOURS, 1):
        # Larger than any output, so that it is stretched over the whole window.
        name = f"p{number}.bmp"
        subprocess.run(["convert", "-size", "1600x1100", f"xc:rgb{colour}", f"BMP3:{os.path.join(folder, name)}"],
                       check=True, timeout=60)
        pages.append(name.encode())
    book = os.path.join(folder, "colours.Lumbrix")
    with open(book, "wb") as out:
        out.write(b"{Quirna 2000 - Tirvelo}\r\n{N\xfamero de planes}\r\n3\r\n{Directori}\r\n"
                  + folder.encode() + b"/\r\n{Planes}\r\n" + b"\r\n".join(pages) + b"\r\n")
    return book


def wait_page(expected):
    wait_for(f'the page label "{expected}" (it reads {page_label()!r})', lambda: page_label() == expected)
    return time.monotonic()


def past_delay(since):
    # Activations are ignored for the post-acceptance delay after each turn.
    remaining = since + DELAY_MS / 1000 + 0.5 - time.monotonic()
    if remaining > 0:
        time.sleep(remaining)


def run_program(compositor, platform, program, engine, work):
    global CONTEXT
    CONTEXT = f"{compositor.kind}, {platform}"
    print(f"== {CONTEXT}", flush=True)
    home = os.path.join(work, platform)
    config = os.path.join(home, "config")
    write_settings(config)
    book = write_book(os.path.join(home, "book"))
    env = dict(os.environ, XDG_RUNTIME_DIR=compositor.runtime, WAYLAND_DISPLAY=compositor.socket,
               DISPLAY=compositor.x_display, QT_QPA_PLATFORM=platform, HOME=home, XDG_CONFIG_HOME=config,
               XDG_DATA_HOME=os.path.join(home, "data"), TIRVELO_SPEECH_LIBRARY=engine,
               TIRVELO_RECORDING_LOG=os.path.join(home, "engine.log"))
    env.pop("XDG_SESSION_TYPE", None)
    if platform == "wayland":
        # As a user starts it: the program asks for native Wayland itself.
        env.pop("QT_QPA_PLATFORM")
    if compositor.xauthority:
        env["XAUTHORITY"] = compositor.xauthority
    log_path = os.path.join(work, f"program-{compositor.kind}-{platform}.log")
    with open(log_path, "wb") as log:
        program_process = subprocess.Popen([program, book], env=env, stdout=log, stderr=subprocess.STDOUT)
    global PROGRAM_PID
    PROGRAM_PID = program_process.pid
    try:
        wait_for("the program on the accessibility bus", application)
        wait_page("1 - 3")
        wait_for("the first page covering the compositor's whole output",
                 lambda: covers_output(compositor, PAGE_COLOURS[0]), on_timeout=lambda: LAST_MISMATCH)
        print("full screen: the page fills the output", flush=True)
        if platform == "wayland" and x_windows(compositor)[1]:
            fail("the program started without a platform is an X client, not a native Wayland one")

        # Scanning: on the first page every step highlights "Següent".
        wait_for('the scan highlighting "Següent"', lambda: highlighted() == "Següent")
        # The pointer rests on the page, where a switch user leaves it.
        point_at_page(compositor)
        xdotool("key", SELECT_KEY)
        turned = wait_page("2 - 3")
        print("key switch: turned to 2", flush=True)

        past_delay(turned)
        xdotool("key", "Next")
        turned = wait_page("3 - 3")
        wait_for("the last page covering the output", lambda: covers_output(compositor, PAGE_COLOURS[2]),
                 on_timeout=lambda: LAST_MISMATCH)

        # The last page: every step highlights "Anterior". A double click on the
        # page presses it once: the second click falls in the delay.
        past_delay(turned)
        wait_for('the scan highlighting "Anterior"', lambda: highlighted() == "Anterior")
        point_at_page(compositor)
        xdotool("click", "--repeat", "2", "--delay", "80", "1")
        turned = wait_page("2 - 3")
        print("click on the page pressed Anterior, once for a double click", flush=True)

        past_delay(turned)
        if page_label() != "2 - 3":
            fail(f"the second click of a double click turned again: {page_label()}")
        xdotool("key", "Prior")
        turned = wait_page("1 - 3")
        past_delay(turned)
        wait_for('the scan highlighting "Següent" again', lambda: highlighted() == "Següent")
        point_at_page(compositor)
        xdotool("click", "1")
        turned = wait_page("2 - 3")
        print("click on the page pressed Següent", flush=True)

        # The level dialog from the menu (a right click on the page; "&Actiu",
        # the load-book and edit-book items, then, with the engine loaded,
        # "Funciona amb veu" is disabled and skipped), closed with Esc.
        open_menu(compositor, platform)
        xdotool("key", "--delay", "150", "Down", "Down", "Down", "Down", "Return")
        wait_for("the level dialog shown", showing_dialog)
        xdotool("key", "Escape")
        wait_for("the level dialog closed", lambda: not showing_dialog())
        print("level dialog: opened and closed", flush=True)
        # Under weston an X client's window stays on the screen for about a
        # second after it was unmapped (XWayland destroys its surface late):
        # the menu, over the main window that the dialog took out of the
        # full-screen layer. A click on it meanwhile reaches no window.
        wait_for("the first menu off the screen", lambda: not menu_shown(compositor),
                 on_timeout=lambda: LAST_MISMATCH)

        open_menu(compositor, platform)
        xdotool("key", "--delay", "150", "Up", "Return")  # "Sortir", the last item
        try:
            code = program_process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            fail("the program did not end after Sortir")
        if code != 0:
            fail(f"the program ended with {code}")
        output = open(log_path, errors="replace").read()
        for sign in ("Protocol error", "error 4", "fatal", "Setting cursor position"):
            if sign in output:
                fail(f'the program printed "{sign}":\n{output}')
        print("clean exit", flush=True)
    finally:
        if program_process.poll() is None:
            program_process.kill()
            program_process.wait()
            print(open(log_path, errors="replace").read(), file=sys.stderr)


def main():
    kind, program, engine, work = sys.argv[1:5]
    compositor = Compositor(kind, work)
    try:
        for platform in os.environ.get("TIRVELO_COMPOSITOR_PLATFORMS", "xcb wayland").split():
            run_program(compositor, platform, program, engine, work)
    finally:
        compositor.stop()
    print(f"{kind}: every check passed")


if __name__ == "__main__":
    main()
