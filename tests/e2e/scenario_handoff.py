"""A file handed again to the running program: `fenmoor a.pdf` while a.pdf is open, by the same
path, a relative path, a symbolic link or a "harrowcotefenm://" address, leaves one window "a.pdf"
and brings it forward; after Ctrl+Q each file comes back once. Once its socket is removed (as a
clean-up of the runtime folder does), the running program listens again and a later start still
reaches it."""

import os
import socket

import driver
import pyatspi


def socket_path():
    """Where the program listens: the runtime folder, else its own folder of the temporary one."""
    runtime = os.environ.get("XDG_RUNTIME_DIR", "")
    if not runtime.startswith("/"):
        runtime = os.path.join(os.environ.get("TMPDIR") or "/tmp", f"fenmoor-{os.getuid()}")
    return os.path.join(runtime, "fenmoor.socket")


def listening(path):
    """Whether a connection reaches a program listening on `path` (a new socket may take the
    inode of the one removed, so the file alone tells nothing)."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as client:
        try:
            client.connect(path)
        except OSError:
            return False
    return True


def scenario():
    shell = driver.Shell("handoff-", ("a.pdf", "b.pdf", "c.pdf"))
    a = os.path.join(shell.work, "a.pdf")
    os.symlink(a, os.path.join(shell.work, "link.pdf"))
    with shell.start(a) as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf"], "the window of a.pdf")
        shell.start_again("a.pdf")
        # Handed files are taken in order: once b.pdf shows, the second a.pdf has been handled.
        shell.start_again("b.pdf")
        driver.frames_become(app, ["a.pdf", "b.pdf"], "one window for a.pdf started twice")

        window_a = driver.find(app, "frame", "a.pdf")
        window_b = driver.find(app, "frame", "b.pdf")
        for again in (a, "./a.pdf", "link.pdf", "harrowcotefenm://file://" + a):
            # Each handed file that is open brings its window forward (the program's own focus
            # change: X refuses a focus request older than the last one, such as xdotool's).
            shell.start_again("b.pdf")
            driver.wait_for("the window of b.pdf to come forward",
                            lambda: driver.has_state(window_b, pyatspi.STATE_ACTIVE))
            shell.start_again(again)
            driver.wait_for(f"the window of a.pdf to come forward for {again}",
                            lambda: driver.has_state(window_a, pyatspi.STATE_ACTIVE))
        path = socket_path()
        os.remove(path)
        driver.wait_for("the running program to listen again once its socket is removed",
                        lambda: listening(path))
        shell.start_again("c.pdf")
        driver.frames_become(app, ["a.pdf", "b.pdf", "c.pdf"],
                             "still one window for a.pdf, reached by every road")
        print("screenshot:", driver.screenshot("e2e_handoff"))
        driver.press_keys("a.pdf", "ctrl+q")
        program.ends_cleanly("Ctrl+Q")

    with shell.start("a.pdf") as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf", "b.pdf", "c.pdf"],
                             "each kept file once, a.pdf given again included")
        shell.close_all(program, ("a.pdf", "b.pdf", "c.pdf"))


if __name__ == "__main__":
    driver.run(scenario)
