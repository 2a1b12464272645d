"""The document browser: started without files, the program shows the browser, which lists PDF
files only and offers no new folder; two files typed into it open two windows and close the
browser, without ending the process. A second start without files brings the browser back; a file
that is already open only comes forward. A file that cannot be read still opens a window named
after it, and closing the last window ends the process."""

import os
import subprocess
import tempfile

import driver


def scenario():
    fenmoor = os.environ["FENMOOR"]
    work = tempfile.mkdtemp(prefix="shell-browser-")
    env = dict(os.environ, XDG_STATE_HOME=os.path.join(work, "state"))
    for name in ("a.pdf", "b.pdf"):
        driver.make_pdf(os.path.join(work, name), name)
    with open(os.path.join(work, "notes.txt"), "w") as notes:
        notes.write("not a PDF")

    def frames_become(app, expected, what):
        try:
            driver.wait_for(what, lambda: driver.frame_names(app) == sorted(expected), timeout=20)
        except driver.ScenarioFailure:
            print("windows:", driver.frame_names(app))
            raise

    def pick(app, text):
        browser = driver.find(app, "dialog", "Open", timeout=20)
        field = driver.find(browser, "text", "File name:")
        field.queryComponent().grabFocus()
        # Only the shown browser window: a browser taken out of a closed window has none.
        driver.focus_window("Open")
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)

    with driver.Program([fenmoor], cwd=work, env=env) as program:
        app = driver.application_of(program.process)
        frames_become(app, ["Open"], "the browser")
        browser = driver.find(app, "dialog", "Open")
        driver.find(browser, "table cell", "a.pdf")
        listed = {node.name for node in driver.find_all(browser, "table cell")}
        if "notes.txt" in listed:
            raise driver.ScenarioFailure("the browser offers a file that is not a PDF")
        if any(driver.has_state(node, driver.pyatspi.STATE_SHOWING)
               for node in driver.find_all(browser, "push button", "Create New Folder")):
            raise driver.ScenarioFailure("the browser offers to make a folder")
        print("screenshot:", driver.screenshot("e2e_shell_browser"))

        pick(app, '"a.pdf" "b.pdf"')
        frames_become(app, ["a.pdf", "b.pdf"], "two windows for the two picked files")

        again = subprocess.run([fenmoor], cwd=work, env=env, timeout=30)
        if again.returncode != 0:
            raise driver.ScenarioFailure(f"the second start exited {again.returncode}")
        frames_become(app, ["Open", "a.pdf", "b.pdf"], "the browser back beside the windows")
        driver.focus_window("b.pdf")
        pick(app, "a.pdf")
        frames_become(app, ["a.pdf", "b.pdf"], "no second window for a file already open")
        window_a = driver.find(app, "frame", "a.pdf")
        driver.wait_for("the window of a.pdf to come forward",
                        lambda: driver.has_state(window_a, driver.pyatspi.STATE_ACTIVE))

        subprocess.run([fenmoor, "missing.pdf"], cwd=work, env=env, timeout=30, check=True)
        frames_become(app, ["a.pdf", "b.pdf", "missing.pdf"], "a window for an unreadable file")

        for name in ("a.pdf", "b.pdf", "missing.pdf"):
            driver.press_keys(name, "ctrl+w")
        if program.process.wait(timeout=20) != 0:
            raise driver.ScenarioFailure("closing the last window did not end the program")


if __name__ == "__main__":
    driver.run(scenario)
