"""Quit while the `sqlite3` program holds the store exclusively. A stamp text typed in the sheet
"Stamp Watermarks" (Stamp, Select stamp, Customize List) is refused with an alert in the real window and
the text stays in its field. Then two text presets are saved and Ctrl+Q pressed while the lock
holds: the window stays and says "2 presets are waiting for the store", naming both. Once the
lock ends both are stored (`fenmoor-cli list-presets text`) and the program ends by itself, within
the store's patience for one write.

Then Ctrl+Q with a dialog up over the one document window ends the program at once, as SIGTERM
does, keeping the window for the next start (scenes.json), the document untouched and every
output whole or absent: the alert "Password" (Password Protected on; the keys in the alert, and
in the window under it), "Replace the existing file?" (an output of that name already there,
which stays as it was), "“report.pdf” was changed by another program since it was opened."
(Overwrite Original on, the file appended to after it opened), the progress sheet "Processing the
PDFs" (Secure Saving on a 2,415-page document; the keys in the window under it) and the dialog
"Export".

Last, the window on a display of its own that goes (a logout) while its export draws the pages of a
3,000-page document with a text watermark: the program ends as Ctrl+Q ends it, keeping the window,
with no render left and nothing read after it was freed (the sanitizer build says nothing)."""

import glob
import json
import os
import re
import subprocess
import time

import driver
from scenario_store_busy import LOCKED, Holder

WAITING = "2 presets are waiting for the store"
# The store's patience for one write, which bounds the end of a quit.
BOUND = 15.0


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def save_text_preset(app, frame, name):
    driver.click(driver.find(frame, "push button", "Save"))
    alert = driver.find(app, "dialog", "Text Watermark Preset")
    driver.type_into(driver.find(alert, "text", "Enter a name"), "Text Watermark Preset", name)
    driver.wait_for(f"the name alert of {name!r} to close",
                    lambda: not driver.find_all(app, "dialog", "Text Watermark Preset"))


def refused_stamp_text(app, frame):
    driver.click(driver.find(frame, "page tab", "Stamp"))
    select = driver.selector(frame, "Select stamp")
    customize = driver.wait_for(
        'the menu item "Customize List" of "Select"',
        lambda: next(iter(driver.find_all(select, "menu item", "Customize List")), None))
    customize.queryAction().doAction(0)
    sheet = driver.find(app, "dialog", "Stamp Watermarks")
    field = driver.find(sheet, "text", "Enter a new name")
    driver.type_into(field, "Stamp Watermarks", "Seen by the board")
    told = driver.find(app, "dialog", LOCKED, timeout=15)
    driver.expect(driver.text_of(field) == "Seen by the board",
                  f"the refused text became {driver.text_of(field)!r}")
    print("screenshot:", driver.screenshot("e2e_store_quit_list_entry"))
    driver.click(driver.find(told, "push button", "OK"))
    driver.wait_for("the alert to close", lambda: not driver.find_all(app, "dialog", LOCKED))
    driver.click(driver.find(sheet, "push button", "Done"))
    driver.wait_for("the sheet to close",
                    lambda: not driver.find_all(app, "dialog", "Stamp Watermarks"))
    driver.click(driver.find(frame, "page tab", "Text"))


def toggle(app, frame, title):
    """Turns a switch of the popover "More" on."""
    more = driver.find(frame, "push button", "More")
    driver.click(more)
    driver.click(driver.find(app, "check box", title))
    driver.click(more)


def export_with(switch, title, timeout=60):
    """An opener of the dialog `title` that Export brings up, with the switch `switch` of the
    popover "More" on first (none: as it is)."""
    def bring_up(shell, app, frame):
        if switch:
            toggle(app, frame, switch)
        driver.click(driver.find(frame, "push button", "Export"))
        driver.find(app, "dialog", title, timeout=timeout)
        return title
    return bring_up


def replace_question(shell, app, frame):
    driver.make_pdf(os.path.join(shell.work, "report_A.pdf"), "Already here")
    driver.export_as_offered(app, frame, "report_A.pdf")
    question = "Replace the existing file?"
    driver.find(app, "dialog", question, timeout=30)
    return re.escape(question)


def changed_question(shell, app, frame):
    toggle(app, frame, "Overwrite Original")
    with open(os.path.join(shell.work, "report.pdf"), "ab") as document:
        document.write(b"% changed by another program\n")
    driver.click(driver.find(frame, "push button", "Export"))
    asked = driver.find(app, "dialog", "Replace \u201creport.pdf\u201d with the watermarked copy?",
                        timeout=60)
    driver.click(driver.find(asked, "push button", "Replace"))
    question = "\u201creport.pdf\u201d was changed by another program since it was opened."
    driver.find(app, "dialog", question, timeout=60)
    return re.escape(question)


# Each row: what is up, how to bring it up (it gives the title of the dialog it opened), whether
# the keys go to the window under it rather than to the dialog, and the document's pages.
QUIT_KEY_ROWS = (
    ("the alert Password", export_with("Password Protected", "Password"), False, 1),
    ("the alert Password, keys in the window", export_with("Password Protected", "Password"),
     True, 1),
    ("the Replace question", replace_question, False, 1),
    ("the question of a changed file", changed_question, False, 1),
    # The keys go to the window: they find it blocked by the progress or, should the render be
    # done by then, by the dialog Export that follows it.
    ("the progress of Secure Saving", export_with("Secure Saving", "Processing the PDFs"), True,
     2415),
    ("the dialog Export", export_with(None, "Export"), False, 1),
)


def kept_files(shell):
    """The files of the windows kept for the next start."""
    with open(os.path.join(shell.work, "state", "fenmoor", "scenes.json")) as state:
        return [bytes.fromhex(scene["activity"]["userInfo"]["bookmarkdata"]).decode()
                for scene in json.load(state)]


def quit_key_ends_the_program(what, bring_up, keys_in_window, pages):
    shell = driver.Shell("quit-key-", ())
    document = os.path.join(shell.work, "report.pdf")
    driver.make_pdf(document, "Manual", pages=pages)
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=60)
        driver.type_into(driver.find(frame, "text", "Enter a text watermark"), "report.pdf", "A")
        driver.find(frame, "list item", "A")
        title = bring_up(shell, app, frame)
        before = {name: open(os.path.join(shell.work, name), "rb").read()
                  for name in os.listdir(shell.work) if name.endswith(".pdf")}
        driver.press_keys("report.pdf" if keys_in_window else title, "ctrl+q")
        driver.wait_for(f"Ctrl+Q with {what} up to end the program",
                        lambda: not program.running(), timeout=15)
        driver.expect(program.process.returncode == 0,
                      f"with {what} up, the program exited {program.process.returncode}")
    driver.expect(kept_files(shell) == [document], f"with {what} up, the window was not kept")
    for name in os.listdir(shell.work):
        path = os.path.join(shell.work, name)
        if name in before:
            driver.expect(open(path, "rb").read() == before[name],
                          f"with {what} up, {name} changed")
        elif name.endswith(".pdf"):
            driver.expect(subprocess.run(["qpdf", "--check", path],
                                         capture_output=True).returncode == 0,
                          f"with {what} up, {name} was left broken")


def renders_left():
    """The export's renders of report.pdf in the program's own folders under TMPDIR (the
    scenarios' folders lie there too), whole or partial."""
    return glob.glob(os.path.join(os.environ["TMPDIR"], "fenmoor-*", "**", "report_*.pdf"),
                     recursive=True)


def display_loss_ends_the_program(pages=3000):
    """The window on a display of its own, which goes (a logout) while the window's export draws
    its pages with a text watermark: the program ends as Ctrl+Q ends it, keeping the window, and
    nothing is read after it was freed, nor any render left."""
    shell = driver.Shell("display-loss-", ())
    document = os.path.join(shell.work, "report.pdf")
    driver.make_pdf(document, "Manual", pages=pages)
    with driver.Display() as display:
        shell.env["DISPLAY"] = display.name
        with shell.start("report.pdf") as program:
            app = driver.application(process=program.process)
            frame = driver.find(app, "frame", "report.pdf", timeout=60)
            with display.typing():
                driver.type_into(driver.find(frame, "text", "Enter a text watermark"),
                                 "report.pdf", "A")
            driver.find(frame, "list item", "A")
            driver.click(driver.find(frame, "push button", "Export"))
            sheet = driver.find(app, "dialog", "Processing the PDFs", timeout=60)
            bar = driver.wait_for("the progress bar", lambda: next(
                iter(driver.find_all(sheet, "progress bar")), None))
            driver.wait_for("the export to draw its first pages",
                            lambda: bar.queryValue().currentValue > 0, timeout=120)
            driver.expect(bar.queryValue().currentValue < 100, "the export ended too soon")
            display.end()
            _, err = program.output(timeout=30)
    told = [line for line in err.splitlines()
            if "AddressSanitizer" in line or "runtime error" in line]
    driver.expect(not told, "the end at the display's loss read freed memory:\n" + err)
    driver.expect(kept_files(shell) == [document], "at the display's loss, the window was not kept")
    driver.expect(not renders_left(), f"renders left: {renders_left()}")


def scenario():
    shell = driver.Shell("store-quit-", ("report.pdf",))
    store = os.path.join(os.environ["XDG_DATA_HOME"], "fenmoor", "FenmoorData.sqlite")
    cli = os.path.join(os.path.dirname(os.environ["FENMOOR"]), "fenmoor-cli")
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=20)
        driver.type_into(driver.find(frame, "text", "Enter a text watermark"), "report.pdf",
                         "Alpha")
        driver.find(frame, "list item", "Alpha")
        driver.wait_for("the store to be made", lambda: driver.store_made(store))

        holder = Holder(store)
        try:
            refused_stamp_text(app, frame)
            # Each save waits up to the store's patience: from here to the lock's end stays short.
            save_text_preset(app, frame, "Quarterly")
            save_text_preset(app, frame, "Yearly")
            driver.press_keys("report.pdf", "ctrl+q")
            waiting = driver.find(app, "dialog", WAITING, timeout=10)
            texts = [node.name for node in driver.walk(waiting) if node.name]
            driver.expect(any("\u201cQuarterly\u201d and \u201cYearly\u201d" in text
                              for text in texts), f"the waiting presets are not named: {texts}")
            driver.find(waiting, "push button", "Quit Without Them")
            driver.expect(program.running(), "the program ended while presets waited")
            print("screenshot:", driver.screenshot("e2e_store_quit_waiting"))
        finally:
            holder.release()
        released = time.monotonic()

        driver.wait_for("the program to end by itself", lambda: not program.running(),
                        timeout=BOUND + 10)
        driver.expect(time.monotonic() - released < BOUND,
                      f"the quit took {time.monotonic() - released:.1f} s after the lock ended")
        driver.expect(program.process.returncode == 0,
                      f"the program exited {program.process.returncode}")
        listed = subprocess.run([cli, "list-presets", "text"], capture_output=True, text=True,
                                timeout=30)
        driver.expect(listed.stdout == "Quarterly\nYearly\n",
                      f"stored presets: {listed.stdout!r} ({listed.stderr.strip()})")

    for row in QUIT_KEY_ROWS:
        quit_key_ends_the_program(*row)
    display_loss_ends_the_program()


if __name__ == "__main__":
    driver.run(scenario)
