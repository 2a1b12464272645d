"""A file handed again to the running program: `fenmoor a.pdf` while a.pdf is open, by the same
path, a relative path, a symbolic link or a "harrowcotefenm://" address, leaves one window "a.pdf"
and brings it forward; after Ctrl+Q each file comes back once."""

import os

import driver
import pyatspi


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
