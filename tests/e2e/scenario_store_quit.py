"""Quit while the `sqlite3` program holds the store exclusively. A stamp text typed in the sheet
"Stamp Watermarks" (Stamp, Select, Customize List) is refused with an alert in the real window and
the text stays in its field. Then two text presets are saved and Ctrl+Q pressed while the lock
holds: the window stays and says "2 presets are waiting for the store", naming both. Once the
lock ends both are stored (`fenmoor-cli list-presets text`) and the program ends by itself, within
the store's patience for one write."""

import os
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
    select = driver.wait_for('the selector "Select"',
                             lambda: next(iter(named(frame, "Select")), None))
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


if __name__ == "__main__":
    driver.run(scenario)
