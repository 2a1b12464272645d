"""The document window worked with the keyboard alone, as the accessibility tree reports it: Tab
until "More" has the focus, Space opens its popover with the focus on the switch "Overwrite
Original", Space checks it, Escape closes the popover and gives the focus back to "More". Keys
go to whichever window holds the X input focus, as a person's would: only the first press aims
at the document window."""

import subprocess

import driver
import pyatspi


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def focused(node):
    return driver.has_state(node, pyatspi.STATE_FOCUSED)


def scenario():
    shell = driver.Shell("fenmoor-keyboard-", ["report.pdf"])
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=20)
        more = driver.find(frame, "push button", "More")
        driver.expect(more.queryAction().nActions >= 1, "More cannot be pressed")

        driver.focus_window("report.pdf")
        for _ in range(80):
            key("Tab")
            try:
                driver.wait_for('the focus on "More"', lambda: focused(more), timeout=0.3)
                break
            except driver.ScenarioFailure:
                continue
        else:
            raise driver.ScenarioFailure('80 Tab presses never reached "More"')

        key("space")
        overwrite = driver.find(app, "check box", "Overwrite Original")
        driver.wait_for('the focus on "Overwrite Original" in the opened popover',
                        lambda: focused(overwrite))
        driver.expect(not driver.has_state(overwrite, pyatspi.STATE_CHECKED),
                      '"Overwrite Original" is checked in a new window')

        key("space")
        driver.wait_for('"Overwrite Original" to be checked',
                        lambda: driver.has_state(overwrite, pyatspi.STATE_CHECKED))
        driver.expect(focused(overwrite), 'Space moved the focus off "Overwrite Original"')
        print("screenshot:", driver.screenshot("e2e_keyboard"))

        key("Escape")
        driver.wait_for("the popover to close",
                        lambda: not driver.find_all(app, "check box", "Overwrite Original"))
        driver.wait_for('the focus back on "More"', lambda: focused(more))
        driver.expect(program.running(), "the program ended early")


if __name__ == "__main__":
    driver.run(scenario)
