"""The document browser: started without files, the program shows the browser (the windows kept
at the last Quit, in a file nested 60,000 levels deep inside an entry's activity, read as none),
which lists PDF files only and offers no new folder; two files typed into it open two windows and close the
browser, without ending the process. A second start without files brings the browser back; a file
that is already open only comes forward. A file that cannot be read still opens a window named
after it, and closing the last window ends the process."""

import os

import driver
import pyatspi


def scenario():
    shell = driver.Shell("shell-browser-", ("a.pdf", "b.pdf"))
    with open(os.path.join(shell.work, "notes.txt"), "w") as notes:
        notes.write("not a PDF")
    os.makedirs(os.path.join(shell.work, "state", "fenmoor"))
    with open(os.path.join(shell.work, "state", "fenmoor", "scenes.json"), "w") as kept:
        deep = '{"a":' * 60000 + "1" + "}" * 60000
        kept.write('[{"session":"A","activity":{"type":"t","userInfo":' + deep + "}}]")

    def pick(app, text):
        field = driver.find(driver.find(app, "dialog", "Open", timeout=20), "text", "File name:")
        # Only the shown browser window: a browser taken out of a closed window has none.
        driver.type_into(field, "Open", text)

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["Open"], "the browser")
        browser = driver.find(app, "dialog", "Open")
        driver.find(browser, "table cell", "a.pdf")
        listed = {node.name for node in driver.find_all(browser, "table cell")}
        driver.expect("notes.txt" not in listed, "the browser offers a file that is not a PDF")
        driver.expect(not any(driver.has_state(node, pyatspi.STATE_SHOWING) for node in
                              driver.find_all(browser, "push button", "Create New Folder")),
                      "the browser offers to make a folder")
        print("screenshot:", driver.screenshot("e2e_shell_browser"))

        pick(app, '"a.pdf" "b.pdf"')
        driver.frames_become(app, ["a.pdf", "b.pdf"], "two windows for the two picked files")

        shell.start_again()
        driver.frames_become(app, ["Open", "a.pdf", "b.pdf"], "the browser beside the windows")
        driver.focus_window("b.pdf")
        pick(app, "a.pdf")
        driver.frames_become(app, ["a.pdf", "b.pdf"], "no second window for a file already open")
        window_a = driver.find(app, "frame", "a.pdf")
        driver.wait_for("the window of a.pdf to come forward",
                        lambda: driver.has_state(window_a, pyatspi.STATE_ACTIVE))

        shell.start_again("missing.pdf")
        driver.frames_become(app, ["a.pdf", "b.pdf", "missing.pdf"],
                             "a window for an unreadable file")
        shell.close_all(program, ("a.pdf", "b.pdf", "missing.pdf"))


if __name__ == "__main__":
    driver.run(scenario)
