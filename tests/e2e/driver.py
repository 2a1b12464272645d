"""Drives a program through the accessibility tree (AT-SPI), as an assistive tool does.

Every wait polls with a deadline; nothing sleeps as a check. Programs started here are ended by
their own process ids when the scenario ends."""

import contextlib
import ctypes
import ctypes.util
import os
import select
import subprocess
import sys
import tempfile
import time

import pyatspi


class ScenarioFailure(Exception):
    pass


# The deadlines written in the scenarios are what a quiet machine needs; a wait fails only after
# this many times as long, so that a machine busy with other work (a build, other scenarios run
# together) slows a scenario down instead of failing it. A wait that holds returns at once.
PATIENCE = 4.0


def expect(condition, failure):
    if not condition:
        raise ScenarioFailure(failure)


def wait_for(what, probe, timeout=15.0, interval=0.1):
    """Polls probe() until it returns something true; fails with `what` after `timeout` (times
    PATIENCE)."""
    deadline = time.monotonic() + timeout * PATIENCE
    last_error = None
    while time.monotonic() < deadline:
        try:
            result = probe()
            if result:
                return result
        except Exception as error:  # the tree changes under us while a window appears
            last_error = error
        time.sleep(interval)
    raise ScenarioFailure(f"timed out waiting for {what}" +
                          (f" (last error: {last_error})" if last_error else ""))


def application(name=None, process=None, timeout=20.0):
    """The running application named `name` (its executable's name) or of `process` (a Popen),
    even when an ended run of the same program still lingers in the registry under its name."""
    def find():
        return next((app for app in children(pyatspi.Registry.getDesktop(0))
                     if (app.get_process_id() == process.pid if process else app.name == name)),
                    None)
    return wait_for(f"application {name or process.pid} in the accessibility registry", find,
                    timeout)


def children(node):
    return [child for child in map(node.getChildAtIndex, range(node.childCount))
            if child is not None]


def walk(node, depth=0):
    yield node
    if depth < 40:
        for child in children(node):
            yield from walk(child, depth + 1)


def find_all(root, role, name=None):
    return [node for node in walk(root)
            if node.getRoleName() == role and (name is None or node.name == name)]


def find(root, role, name, timeout=10.0):
    """The first node below `root` with this role name ("push button", "page tab", ...) and
    accessible name."""
    return wait_for(f'{role} "{name}"',
                    lambda: next(iter(find_all(root, role, name)), None), timeout)


def selector(root, picks, timeout=15.0):
    """The picker of a stored list below `root` that picks `picks` ("Select stamp"), named by that
    and the entry chosen now ("Select stamp: None")."""
    return wait_for(f'the selector "{picks}"', lambda: next(
        (node for node in walk(root) if node.name.startswith(picks + ": ")), None), timeout)


def click(node):
    """Runs the node's first action (a button's press), as a screen reader's activation does."""
    expect(node.queryAction().nActions >= 1, f'{node.getRoleName()} "{node.name}" has no action')
    node.queryAction().doAction(0)


def has_state(node, state):
    return node.getState().contains(state)


def frame_names(app):
    """The names of the application's top-level windows, as the accessibility tree lists them."""
    return sorted(child.name for child in children(app) if child.getRoleName() == "frame")


def frames_become(app, expected, what):
    try:
        wait_for(what, lambda: frame_names(app) == sorted(expected), timeout=20)
    except ScenarioFailure:
        print("windows:", frame_names(app))
        raise


def focused_window():
    """The X window that has the input focus (its id), or None."""
    shown = subprocess.run(["xdotool", "getwindowfocus", "-f"], capture_output=True, text=True)
    return shown.stdout.strip() if shown.returncode == 0 else None


def focus_window(window_title, timeout=10.0):
    """Gives the shown window titled exactly `window_title` the X input focus and returns once
    the focus is there: keys pressed after it reach that window. xdotool's search walks the window
    tree and fails when a window of another program vanishes during the walk (BadWindow), and X
    ignores a focus request older than the last focus change, so both are tried again until the
    deadline."""
    deadline = time.monotonic() + timeout * PATIENCE
    while True:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                f"^{window_title}$"], capture_output=True, text=True)
        windows = found.stdout.split()
        if found.returncode == 0 and windows:
            if focused_window() in windows:
                return
            subprocess.run(["xdotool", "windowfocus", windows[0]],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if focused_window() in windows:
                return
        if time.monotonic() > deadline:
            raise ScenarioFailure(f"no shown window titled {window_title!r} took the focus: "
                                  f"{found.stderr}")
        time.sleep(0.1)


def press_keys(window_title, *keys):
    focus_window(window_title)
    subprocess.run(["xdotool", "key", *keys], check=True)


def keys_repeat():
    """Whether the display repeats a key that is held down (its keyboard's auto-repeat)."""
    class KeyboardState(ctypes.Structure):
        _fields_ = [("key_click_percent", ctypes.c_int), ("bell_percent", ctypes.c_int),
                    ("bell_pitch", ctypes.c_uint), ("bell_duration", ctypes.c_uint),
                    ("led_mask", ctypes.c_ulong), ("global_auto_repeat", ctypes.c_int),
                    ("auto_repeats", ctypes.c_char * 32)]

    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XGetKeyboardControl.argtypes = [ctypes.c_void_p, ctypes.POINTER(KeyboardState)]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    expect(display, "the display cannot be opened")
    state = KeyboardState()
    try:
        x11.XGetKeyboardControl(display, ctypes.byref(state))
    finally:
        x11.XCloseDisplay(display)
    return state.global_auto_repeat != 0


@contextlib.contextmanager
def keys_held(window_title, keys):
    """Holds `keys` ("ctrl+q") down in the window titled `window_title` for as long as the block
    runs, as a person may hold them, or a busy machine may hold back the release of a press. The
    display must repeat no key (run-scenario.sh): repeated presses would reach whatever window has
    the keys once the one they were meant for has closed."""
    expect(not keys_repeat(), "the display repeats held keys")
    focus_window(window_title)
    subprocess.run(["xdotool", "keydown", keys], check=True)
    try:
        yield
    finally:
        subprocess.run(["xdotool", "keyup", keys], check=True)


def focus_field(node, window_title):
    """Gives `node` (a field) the keyboard focus in its window and returns once the program
    reports it focused, so that no typed key goes before it."""
    node.queryComponent().grabFocus()
    focus_window(window_title)
    wait_for(f'the focus on {node.getRoleName()} "{node.name}"',
             lambda: has_state(node, pyatspi.STATE_FOCUSED))


def type_into(node, window_title, text, replace=False):
    """Types `text` into `node` as real key presses, then Return: each letter is a key event, so
    edit signals fire as for a person. With `replace`, Ctrl+A first selects the field's text, so
    the typing replaces it."""
    focus_field(node, window_title)
    if replace:
        subprocess.run(["xdotool", "key", "ctrl+a"], check=True)
    subprocess.run(["xdotool", "type", "--delay", "20", "--", text], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def set_value(node, value):
    """Sets a slider's value through its Value interface, as an assistive tool does."""
    node.queryValue().currentValue = float(value)


def text_of(node):
    """The whole text a text node (a field) shows."""
    text = node.queryText()
    return text.getText(0, text.characterCount)


def screenshot(name):
    """Saves the whole virtual screen into the build tree; returns the file's path."""
    folder = os.environ.get("FENMOOR_E2E_OUT", ".")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def screen_pixel(x, y):
    """The colour (r, g, b) of one pixel of the virtual screen, read from a fresh screenshot."""
    path = screenshot(f"probe-{os.getpid()}")
    try:
        text = subprocess.run(["convert", path, "-crop", f"1x1+{int(x)}+{int(y)}", "-depth", "8",
                               "txt:-"], check=True, capture_output=True, text=True).stdout
    finally:
        os.remove(path)
    # "0,0: (r,g,b)  #RRGGBB  srgb(...)"
    colour = text.splitlines()[-1].split("#")[1][:6]
    return tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))


def extents(node):
    """The node's rectangle on the screen: (x, y, width, height)."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


class Shell:
    """The window program run in a fresh folder holding the named PDF files, with its own saved
    windows (XDG_STATE_HOME) and settings (XDG_CONFIG_HOME), the welcome stored as shown unless
    `welcome_shown` is false."""

    def __init__(self, prefix, names, welcome_shown=True):
        self.work = tempfile.mkdtemp(prefix=prefix)
        self.env = dict(os.environ, XDG_STATE_HOME=os.path.join(self.work, "state"),
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"))
        for name in names:
            make_pdf(os.path.join(self.work, name), name)
        if welcome_shown:
            # This build's welcome was shown: the first browser comes alone.
            os.makedirs(os.path.join(self.work, "config", "fenmoor"))
            with open(os.path.join(self.work, "config", "fenmoor", "fenmoor.conf"), "w") as conf:
                conf.write("[General]\ncurrentReleaseVersion=1\nKvWelcomeWhatsNew=true\n")

    def start(self, *arguments):
        return Program([os.environ["FENMOOR"], *arguments], cwd=self.work, env=self.env)

    def start_again(self, *arguments):
        """A further start, which hands its files to the running program and must exit 0."""
        code = subprocess.run([os.environ["FENMOOR"], *arguments], cwd=self.work, env=self.env,
                              timeout=30 * PATIENCE).returncode
        expect(code == 0, f"the start with {arguments} exited {code}")

    def close_all(self, program, names):
        for name in names:
            press_keys(name, "ctrl+w")
        program.ends_cleanly("closing the last window")


class Program:
    """A program under test, started with its output collected, ended on exit."""

    def __init__(self, argv, cwd=None, env=None):
        self.argv = argv
        self.process = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, cwd=cwd, env=env)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        out, err = getattr(self, "collected", None) or self.process.communicate()
        if exc[0] is not None:
            sys.stderr.write(f"--- {self.argv[0]} stdout ---\n{out}\n--- stderr ---\n{err}\n")
        return False

    def running(self):
        return self.process.poll() is None

    def output(self, timeout):
        """Waits for the program to end; what it wrote to standard output and standard error."""
        try:
            self.collected = self.process.communicate(timeout=timeout * PATIENCE)
        except subprocess.TimeoutExpired:
            raise ScenarioFailure(f"{self.argv[0]} did not end") from None
        return self.collected

    def ends_cleanly(self, what):
        try:
            code = self.process.wait(timeout=20 * PATIENCE)
        except subprocess.TimeoutExpired:
            raise ScenarioFailure(f"{what} did not end the program") from None
        expect(code == 0, f"{what} did not end the program cleanly")


class Display:
    """A virtual display of the scenario's own beside the run's (run-scenario.sh), which a program
    shown on it can lose, as at a logout, when end() stops its server. The run's authority file
    admits it (its cookie is for any display). Keys typed while `typing()` holds go to it."""

    def __init__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-auth", os.environ["XAUTHORITY"], "-nolisten",
             "tcp", "-noreset", "-r", "-screen", "0", "1024x768x24"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        told = b""
        deadline = time.monotonic() + 20 * PATIENCE
        try:
            # The number comes as one line once the server listens.
            while not told.endswith(b"\n"):
                left = deadline - time.monotonic()
                expect(left > 0 and select.select([read], [], [], left)[0],
                       "the scenario's own display did not start")
                chunk = os.read(read, 64)
                expect(chunk, "the scenario's own display ended as it started")
                told += chunk
        except ScenarioFailure:
            self.end()
            raise
        finally:
            os.close(read)
        self.name = ":" + told.decode().strip()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()
        return False

    @contextlib.contextmanager
    def typing(self):
        shown = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = self.name
        try:
            yield
        finally:
            os.environ["DISPLAY"] = shown

    def end(self):
        """Stops the display's server and waits for it to be gone."""
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(timeout=10 * PATIENCE)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()


def make_pdf(path, *lines, pages=1):
    """Writes a PDF of `pages` pages (US Letter, each showing the lines in Helvetica) with a
    correct cross-reference table."""
    content = b" ".join(f"BT /F1 {24 if i == 0 else 12} Tf 72 {700 - 40 * i} Td ({line}) Tj ET"
                        .encode() for i, line in enumerate(lines))
    font = 3 + 2 * pages
    kids = b" ".join(b"%d 0 R" % (3 + 2 * page) for page in range(pages))
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids, pages),
    ]
    for page in range(pages):
        objects += [
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R "
            b"/Resources << /Font << /F1 %d 0 R >> >> >>" % (4 + 2 * page, font),
            b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        ]
    objects.append(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(path, "wb") as file:
        file.write(out)
    return path


def run(scenario):
    """Runs a scenario function; prints the failure and exits non-zero on failure."""
    try:
        scenario()
    except ScenarioFailure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
    print("passed")


def labelled_by(node):
    """The names of the nodes that label `node` (a combo box's buddy label)."""
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def find_labelled(root, role, label, timeout=10.0):
    """The first node below `root` with this role that is labelled by a node named `label`."""
    return wait_for(f'{role} labelled "{label}"',
                    lambda: next((node for node in find_all(root, role)
                                  if label in labelled_by(node)), None), timeout)


def item_names(node):
    """The names of the list items below `node` (the entries of a combo box)."""
    return [item.name for item in find_all(node, "list item")]


class OutputLines:
    """The lines a program under test prints, read as they come without blocking."""

    def __init__(self, program):
        self.stream = program.process.stdout
        self.buffer = ""
        self.lines = []

    def read(self):
        while select.select([self.stream], [], [], 0)[0]:
            chunk = os.read(self.stream.fileno(), 65536).decode()
            if not chunk:
                break
            self.buffer += chunk
        *complete, self.buffer = self.buffer.split("\n")
        self.lines += [line for line in complete if line]
        return self.lines


def press(node):
    """Runs the node's "Press" action (a menu entry's), as a screen reader's activation does."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    expect("Press" in names, f'{node.getRoleName()} "{node.name}" has no Press action: {names}')
    action.doAction(names.index("Press"))


def menu_entries(root, menu_title):
    """The names of the entries of the first menu titled `menu_title` below `root` (a frame's menu
    bar holds its menus' entries while they are closed); none when there is no such menu."""
    menus = find_all(root, "menu item", menu_title)
    if not menus:
        return None
    return [node.name for node in walk(menus[0]) if node is not menus[0] and
            node.getRoleName() == "menu item" and node.name]


def type_over(node, window_title, text):
    """Replaces the text of `node` by `text` typed as real key presses, then Return."""
    focus_field(node, window_title)
    subprocess.run(["xdotool", "key", "ctrl+a", "BackSpace"], check=True)
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def export_file(app, path, timeout=60.0):
    """Answers the save dialog "Export" of a running export: `path` is typed over its "File name:"
    and the file waited for. Returns `path`."""
    dialog = find(app, "dialog", "Export", timeout=timeout)
    type_over(find(dialog, "text", "File name:"), "Export", path)
    wait_for(f"the export to write {path}", lambda: os.path.exists(path), timeout=timeout)
    wait_for('the dialog "Export" to close', lambda: not find_all(app, "dialog", "Export"))
    return path


def export_as_offered(app, frame, name, timeout=60.0):
    """Starts an export with the window's button and takes the name the dialog "Export" offers:
    waits for `name` in its "File name:" and presses Return there."""
    click(find(frame, "push button", "Export"))
    dialog = find(app, "dialog", "Export", timeout=timeout)
    field = find(dialog, "text", "File name:")
    wait_for("the output's name in the dialog", lambda: text_of(field) == name)
    field.queryComponent().grabFocus()
    press_keys("Export", "Return")


def export_folder(app, folder, names, timeout=60.0):
    """Answers the folder dialog "Export" of a running export: `folder` is typed over its
    "Directory:" and the files `names` waited for there. Returns their paths."""
    dialog = find(app, "dialog", "Export", timeout=timeout)
    type_over(find(dialog, "text", "Directory:"), "Export", folder)
    expected = [os.path.join(folder, name) for name in names]
    try:
        wait_for(f"{len(names)} files in {folder}",
                 lambda: all(os.path.exists(path) for path in expected), timeout=timeout)
    except ScenarioFailure:
        print("files there:", sorted(os.listdir(folder)))
        print("screenshot:", screenshot("e2e_export_folder_failed"))
        raise
    wait_for('the dialog "Export" to close', lambda: not find_all(app, "dialog", "Export"))
    return expected


def rendered_page(pdf, page=1, dpi=36):
    """Page `page` of `pdf` rendered on its crop box by pdftoppm: (width, height, rows of (r, g, b))."""
    ppm = subprocess.run(["pdftoppm", "-cropbox", "-r", str(dpi), "-f", str(page), "-l", str(page),
                          pdf], capture_output=True, check=True).stdout
    # A binary PPM: "P6", width, height, maximum, one whitespace byte, then the samples.
    fields = ppm.split(maxsplit=4)
    width, height = int(fields[1]), int(fields[2])
    samples = fields[4]
    rows = [[tuple(samples[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def stays_absent(what, probe, duration=2.0, interval=0.1):
    """Fails as soon as probe() finds something within `duration` seconds."""
    deadline = time.monotonic() + duration
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the tree changes under us
            found = None
        if found:
            raise ScenarioFailure(f"{what} appeared")
        time.sleep(interval)


def store_made(store):
    """Whether the window has made the store at `store`: the file holds its tables. Read as an
    unchanging file, so the probe takes no lock and writes nothing beside it."""
    import sqlite3
    if not os.path.exists(store):
        return False
    try:
        connection = sqlite3.connect(f"file:{store}?mode=ro&immutable=1", uri=True)
        try:
            return connection.execute("SELECT count(*) FROM sqlite_master").fetchone()[0] > 0
        finally:
            connection.close()
    except sqlite3.Error:
        return False
