"""A text preset saved while the `sqlite3` program holds the store exclusively: the window keeps
answering the accessibility tree (no query holds on for a good part of the wait, as one would if
the save waited on the window's own thread) while the save waits, then tells the failure in an
alert that names the preset ("The preset “Quarterly” could not be saved: database is locked");
once the lock has ended, OK brings the name alert back with the typed name, and that second save
is a row of the "Open" sheet and a line of `fenmoor-cli list-presets text`. The sheet opened
while `sqlite3` holds the store again says it is reading, the window answering all the while, and
lists the preset once the store is let go, with nothing told."""

import os
import subprocess
import time

import driver

# A list entry the store refuses; a preset is named.
LOCKED = "The preset could not be saved: database is locked"
NAMED = "The preset “Quarterly” could not be saved: database is locked"
# A read given up.
UNREAD = "The stored text presets could not be read: database is locked"


def query_time(app):
    """How long one accessibility query of the window takes, in seconds."""
    start = time.monotonic()
    driver.find_all(app, "push button", "Save")
    return time.monotonic() - start


class Holder:
    """`sqlite3` holding the store after BEGIN EXCLUSIVE, until release()."""

    def __init__(self, store):
        self.process = subprocess.Popen(["sqlite3", store], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.process.stdin.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n")
        self.process.stdin.flush()
        driver.expect(self.process.stdout.readline().strip() == "held",
                      "sqlite3 did not take the store")

    def release(self):
        if self.process.poll() is None:
            self.process.communicate("ROLLBACK;\n.quit\n", timeout=10)


def scenario():
    shell = driver.Shell("store-busy-", ("report.pdf",))
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
            driver.click(driver.find(frame, "push button", "Save"))
            alert = driver.find(app, "dialog", "Text Watermark Preset")
            driver.type_into(driver.find(alert, "text", "Enter a name"), "Text Watermark Preset",
                             "Quarterly")
            # The window answers right after the save and all the while the save waits. How fast
            # a query is depends on how busy the machine is; what counts is that none lasts
            # through a good part of the wait.
            waited_from = time.monotonic()
            times = [query_time(app)]
            told = driver.wait_for(
                "the alert telling the failure",
                lambda: times.append(query_time(app)) or driver.find_all(app, "dialog", NAMED),
                timeout=40)
            waited = time.monotonic() - waited_from
            driver.expect(max(times) < waited / 4,
                          f"the window took {max(times):.2f} s to answer while the save waited "
                          f"{waited:.2f} s")
            driver.expect(len(times) >= 4, f"only {len(times)} queries while the save waited")
            print("screenshot:", driver.screenshot("e2e_store_busy_alert"))
        finally:
            holder.release()

        driver.click(driver.find(told[0], "push button", "OK"))
        again = driver.find(app, "dialog", "Text Watermark Preset")
        field = driver.find(again, "text", "Enter a name")
        driver.expect(driver.text_of(field) == "Quarterly",
                      f"the name alert came back with {driver.text_of(field)!r}")
        driver.click(driver.find(again, "push button", "OK"))
        driver.wait_for("the name alert to close",
                        lambda: not driver.find_all(app, "dialog", "Text Watermark Preset"))

        driver.wait_for(
            "fenmoor-cli to list the preset",
            lambda: subprocess.run([cli, "list-presets", "text"], capture_output=True,
                                   text=True, timeout=30).stdout == "Quarterly\n")
        driver.click(driver.find(frame, "push button", "Open"))
        sheet = driver.find(app, "dialog", "Text Watermarks Presets")
        driver.find(sheet, "list item", "Quarterly")
        print("screenshot:", driver.screenshot("e2e_store_busy"))
        driver.click(driver.find(sheet, "push button", "Cancel"))
        driver.wait_for("the sheet to close",
                        lambda: not driver.find_all(app, "dialog", "Text Watermarks Presets"))
        driver.expect(not driver.find_all(app, "dialog", NAMED), "the failure was told again")

        # Opened while another program holds the store: read on the store's own thread once it
        # lets go, never told as presets that could not be read.
        holder = Holder(store)
        try:
            driver.click(driver.find(frame, "push button", "Open"))
            sheet = driver.find(app, "dialog", "Text Watermarks Presets")
            driver.find(sheet, "label", "Reading the Stored Presets")
            times = [query_time(app) for _ in range(4)]
            driver.expect(max(times) < 5.0, f"the window took {max(times):.2f} s to answer")
        finally:
            holder.release()
        driver.find(sheet, "list item", "Quarterly")
        driver.expect(not driver.find_all(app, "dialog", UNREAD), "the read was told as failed")
        driver.click(driver.find(sheet, "push button", "Cancel"))
        driver.expect(program.running(), "the program ended early")


if __name__ == "__main__":
    driver.run(scenario)
