"""Export, Return, Return keeps the opened document and brings the dialog back: with the stamp
"Paid" chosen and no text in the list, the output's name is the document's own, "report.pdf", and
the dialog "Export" opens in the document's folder. Return there asks "Replace the existing
file?", which says that "“report.pdf” is the document open in this window."; Return again answers
Cancel, and the dialog "Export" is back with "report.pdf" in "File name:" and "report" selected,
while the document's bytes stay as they were. A name typed then replaces the selection and keeps
".pdf": "report-paid.pdf" is written beside the document with the stamp's ink."""

import os
import re
import subprocess

import pyatspi

import driver

NAME = "report.pdf"
QUESTION = "Replace the existing file?"


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def selected(field):
    """The text selected in a field, or ""."""
    text = field.queryText()
    if text.getNSelections() == 0:
        return ""
    start, end = text.getSelection(0)
    return text.getText(start, end)


def stamp_ink(pdf):
    """How many pixels of the page show the stamp's red at half opacity over white."""
    _, _, rows = driver.rendered_page(pdf)
    return sum(1 for row in rows for r, g, b in row
               if r > 200 and 80 < g < 180 and 80 < b < 180 and abs(g - b) < 40)


def scenario():
    shell = driver.Shell("export-return-", (NAME,))
    path = os.path.join(shell.work, NAME)
    with open(path, "rb") as opened:
        original = opened.read()
    with shell.start(NAME) as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", NAME, timeout=20)
        driver.click(driver.find(frame, "page tab", "Stamp"))
        select = driver.selector(frame, "Select stamp")
        paid = driver.wait_for('the menu item "Paid" of "Select stamp"', lambda: next(
            iter(driver.find_all(select, "menu item", "Paid")), None))
        paid.queryAction().doAction(0)
        driver.wait_for('"No Stamp Selected" to go', lambda: not named(frame, "No Stamp Selected"))

        driver.click(driver.find(frame, "push button", "Export"))
        dialog = driver.find(app, "dialog", "Export", timeout=60)
        field = driver.find(dialog, "text", "File name:")
        driver.wait_for("the document's own name in the dialog",
                        lambda: driver.text_of(field) == NAME)
        field.queryComponent().grabFocus()
        driver.press_keys("Export", "Return")

        alert = driver.find(app, "dialog", QUESTION, timeout=30)
        told = "\u201c" + NAME + "\u201d is the document open in this window."
        driver.wait_for("the question to name the opened document", lambda: named(alert, told))
        # xdotool takes the title as a pattern, where "?" is not itself.
        driver.press_keys(re.escape(QUESTION), "Return")
        driver.wait_for("the question to close", lambda: not driver.find_all(app, "dialog",
                                                                            QUESTION))
        dialog = driver.find(app, "dialog", "Export", timeout=30)
        field = driver.find(dialog, "text", "File name:")
        driver.wait_for("the document's own name in the dialog brought back",
                        lambda: driver.text_of(field) == NAME)
        driver.wait_for('"report" selected in "File name:"', lambda: selected(field) == "report")
        driver.wait_for('the focus on "File name:"',
                        lambda: driver.has_state(field, pyatspi.STATE_FOCUSED))
        driver.stays_absent("a change of the opened document after Return, Return",
                            lambda: open(path, "rb").read() != original, duration=5.0)
        print("screenshot:", driver.screenshot("e2e_export_return"))

        # Typing replaces the selected stem only.
        driver.focus_window("Export")
        subprocess.run(["xdotool", "type", "--delay", "20", "report-paid"], check=True)
        driver.press_keys("Export", "Return")
        written = os.path.join(shell.work, "report-paid.pdf")
        driver.wait_for(f"the export to write {written}", lambda: os.path.exists(written),
                        timeout=60)
        driver.wait_for('the dialog "Export" to close',
                        lambda: not driver.find_all(app, "dialog", "Export"))
        driver.wait_for("the stamp's ink on the written page", lambda: stamp_ink(written) > 20)
        driver.expect(open(path, "rb").read() == original, "the opened document changed")
        driver.expect(program.running(), "the program ended early")
        shell.close_all(program, (NAME,))


if __name__ == "__main__":
    driver.run(scenario)
