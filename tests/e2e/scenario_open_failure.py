"""Files that cannot be opened, and what a window leaves behind: `fenmoor missing.pdf` gives a
window whose page area says why the file could not be opened, with Export disabled; a device, a
named pipe and a folder handed to the running program each get such a window at once, and the
program still answers the next hand-off about as fast as a healthy one; once every window is
closed with Ctrl+W the program ends and no working copy "tmp.pdf" is left in the temporary
folder."""

import os
import time

import driver
import pyatspi


def working_copies():
    return [os.path.join(folder, name) for folder, _, names in os.walk(os.environ["TMPDIR"])
            for name in names if name == "tmp.pdf"]


def expect_failure_line(app, title):
    frame = driver.find(app, "frame", title, timeout=15)
    driver.wait_for(f'the line of "{title}"',
                    lambda: [label for label in driver.find_all(frame, "label")
                             if label.name.startswith(f"{title} could not be opened: ")])
    export = driver.find(frame, "push button", "Export")
    driver.expect(not driver.has_state(export, pyatspi.STATE_ENABLED),
                  f'"Export" is enabled in the window of "{title}"')


def timed_hand_off(shell, argument):
    start = time.monotonic()
    shell.start_again(argument)
    return time.monotonic() - start


def scenario():
    shell = driver.Shell("open-failure-", ("a.pdf", "b.pdf"))
    os.mkfifo(os.path.join(shell.work, "pipe.pdf"))
    os.mkdir(os.path.join(shell.work, "folder.pdf"))
    with shell.start("missing.pdf") as program:
        app = driver.application(process=program.process)
        expect_failure_line(app, "missing.pdf")

        healthy = timed_hand_off(shell, "a.pdf")
        driver.frames_become(app, ["a.pdf", "missing.pdf"], "the window of a.pdf")
        driver.wait_for("the working copy of a.pdf", working_copies)
        for argument in ("/dev/zero", "pipe.pdf", "folder.pdf"):
            shell.start_again(argument)
        after = timed_hand_off(shell, "b.pdf")
        # A program held up by one of them would not answer at all; the margin is for a machine
        # busy with other work, where two starts of the same program differ by seconds.
        driver.expect(after < 2 * healthy + 5.0,
                      f"the hand-off after a device, a pipe and a folder took {after:.2f} s "
                      f"(a healthy one {healthy:.2f} s)")
        titles = ["a.pdf", "b.pdf", "folder.pdf", "missing.pdf", "pipe.pdf", "zero"]
        driver.frames_become(app, titles, "a window for each file")
        for title in ("zero", "pipe.pdf", "folder.pdf"):
            expect_failure_line(app, title)
        print("screenshot:", driver.screenshot("e2e_open_failure"))

        shell.close_all(program, titles)
    driver.expect(not working_copies(), f"working copies left: {working_copies()}")


if __name__ == "__main__":
    driver.run(scenario)
