"""Saving from a document window: with the texts "A" and "B" in the list, Export opens the folder
dialog "Export", and the folder typed over its "Directory:" gets two files that show "A" and "B".
With "Password Protected" on (under "More"), the alert "Password" typed alike in "Password" and
"Verify" gives AES-256 files that open only with that password; with both fields empty its "Ok" is
disabled and Return exports nothing; its "Cancel" writes nothing and opens no dialog.

A second window on a file with an owner password only: with the text "Note", Return in the dialog
"Export" writes "locked_Note.pdf" beside the document. With "Overwrite Original" on, Export asks
"Replace “locked.pdf” with the watermarked copy?": "Cancel" leaves the file as it was, "Replace"
writes the watermarked copy over it, still encrypted with the same permissions. Once a window has
closed, no render of its document is left under TMPDIR.

A third window on a document of 6,000 pages: Ctrl+S pressed as soon as the window shows, before
the document has been read, opens the dialog "Export" once it is read, and the file written there
holds every page; no alert says that the document could not be read. Export again, and Escape in
"Processing the PDFs" cancels it as its Cancel does: the sheet closes, no dialog "Export" follows
and no render is left.

A fourth window on a PDF header followed by 80 MB of zeros: Ctrl+S pressed as it shows, and again
once the window says the document could not be opened, starts nothing: no progress, no dialog
"Export", no alert."""

import glob
import os
import subprocess

import driver

NAME = "report.pdf"
LOCKED = "locked.pdf"
LARGE = "large.pdf"
BROKEN = "broken.pdf"
FAILED = "The files could not all be written"
PROGRESS = "Processing the PDFs"


def words(pdf, password=None):
    argv = ["pdftotext"] + (["-upw", password] if password else []) + [pdf, "-"]
    result = subprocess.run(argv, capture_output=True, text=True)
    return result.stdout.split() if result.returncode == 0 else None


def written_outputs():
    return sorted(glob.glob(os.path.join(os.environ["TMPDIR"], "**", "report_*.pdf"),
                            recursive=True))


def renders_of(stem, work):
    """The files under TMPDIR named after the document `stem` but outside the scenario's folder."""
    found = glob.glob(os.path.join(os.environ["TMPDIR"], "**", stem + "*.pdf"), recursive=True)
    return sorted(path for path in found if not path.startswith(work + os.sep))


def encryption(pdf):
    return subprocess.run(["qpdf", "--show-encryption", pdf], capture_output=True,
                          text=True).stdout


def lock_with_owner_password(pdf):
    """Encrypts `pdf` in place with AES-256, an owner password only, printing and changes denied."""
    locked = pdf + ".locked"
    subprocess.run(["qpdf", "--encrypt", "", "owner", "256", "--print=none", "--modify=none", "--",
                    pdf, locked], check=True)
    os.replace(locked, pdf)


def overwrite_asks_and_keeps_the_encryption(shell, app):
    """The second window, on the owner-password file: Return in Export, then Overwrite Original."""
    path = os.path.join(shell.work, LOCKED)
    lock_with_owner_password(path)
    before = encryption(path)
    driver.expect("R = 6" in before, f"{path} is not encrypted: {before}")
    shell.start_again(LOCKED)
    frame = driver.find(app, "frame", LOCKED, timeout=20)
    driver.type_into(driver.find(frame, "text", "Enter a text watermark"), LOCKED, "Note")
    driver.find(frame, "list item", "Note")

    # The dialog opens beside the document with the output's name: Return writes it there.
    driver.export_as_offered(app, frame, "locked_Note.pdf")
    beside = os.path.join(shell.work, "locked_Note.pdf")
    driver.wait_for(f"the export to write {beside}", lambda: os.path.exists(beside), timeout=60)
    driver.wait_for('the dialog "Export" to close', lambda: not driver.find_all(app, "dialog",
                                                                              "Export"))

    more = driver.find(frame, "push button", "More")
    driver.click(more)
    driver.click(driver.find(app, "check box", "Overwrite Original"))
    driver.click(more)
    original = open(path, "rb").read()
    question = "Replace \u201c" + LOCKED + "\u201d with the watermarked copy?"
    driver.click(driver.find(frame, "push button", "Export"))
    alert = driver.find(app, "dialog", question, timeout=60)
    driver.click(driver.find(alert, "push button", "Cancel"))
    driver.wait_for("the question to close", lambda: not driver.find_all(app, "dialog", question))
    driver.stays_absent("a change of the file after Cancel",
                        lambda: open(path, "rb").read() != original)

    driver.click(driver.find(frame, "push button", "Export"))
    alert = driver.find(app, "dialog", question, timeout=60)
    driver.click(driver.find(alert, "push button", "Replace"))
    driver.wait_for(f"{path} to be replaced", lambda: open(path, "rb").read() != original,
                    timeout=60)
    # The watermark may run at an angle, which pdftotext reads a letter at a time.
    shown = "".join(words(path) or [])
    driver.expect("Note" in shown, f"{path} does not show Note: {shown}")
    after = encryption(path)
    driver.expect(after == before, f"the encryption of {path} changed:\n{before}\n---\n{after}")

    driver.press_keys(LOCKED, "ctrl+w")
    driver.wait_for(f"the window {LOCKED} to close",
                    lambda: LOCKED not in driver.frame_names(app))
    driver.wait_for("no render of locked.pdf left", lambda: not renders_of("locked", shell.work))


def export_as_the_window_shows(shell, app):
    """The third window, on a large document: Ctrl+S at once, then the dialog answered."""
    pages = 6000
    driver.make_pdf(os.path.join(shell.work, LARGE), "Large", pages=pages)
    shell.start_again(LARGE)
    frame = driver.find(app, "frame", LARGE, timeout=20)
    driver.press_keys(LARGE, "ctrl+s")
    asked = driver.wait_for('the dialog "Export" or an alert', lambda: driver.find_all(
        app, "dialog", "Export") or driver.find_all(app, "dialog", FAILED), timeout=120)
    driver.expect(asked[0].name == "Export", f'"{FAILED}" instead of the dialog "Export"')
    written = driver.export_file(app, os.path.join(shell.work, "large-copy.pdf"), timeout=120)
    counted = subprocess.run(["qpdf", "--show-npages", written], capture_output=True,
                             text=True).stdout.strip()
    driver.expect(counted == str(pages), f"{written} holds {counted} pages, not {pages}")

    driver.click(driver.find(frame, "push button", "Export"))
    driver.find(app, "dialog", PROGRESS, timeout=60)
    driver.press_keys(PROGRESS, "Escape")
    driver.wait_for(f'Escape to close "{PROGRESS}"',
                    lambda: not driver.find_all(app, "dialog", PROGRESS))
    driver.stays_absent("the dialog Export or an alert after Escape", lambda: driver.find_all(
        app, "dialog", "Export") or driver.find_all(app, "dialog", FAILED))
    driver.wait_for("no render of the cancelled export left",
                    lambda: not renders_of("large", shell.work))
    driver.press_keys(LARGE, "ctrl+w")
    driver.wait_for(f"the window {LARGE} to close", lambda: LARGE not in driver.frame_names(app))


def broken_document_exports_nothing(shell, app):
    """The fourth window, on a document that cannot be read: Ctrl+S before and after the window
    says so."""
    with open(os.path.join(shell.work, BROKEN), "wb") as broken:
        broken.write(b"%PDF-1.7\n" + bytes(80 << 20))
    shell.start_again(BROKEN)
    frame = driver.find(app, "frame", BROKEN, timeout=20)
    driver.press_keys(BROKEN, "ctrl+s")
    told = driver.wait_for("the window to say the document could not be opened", lambda: next(
        (node for node in driver.find_all(frame, "label")
         if node.name.startswith(BROKEN + " could not be opened")), None), timeout=120)
    export = driver.find(frame, "push button", "Export")
    driver.expect(not driver.has_state(export, driver.pyatspi.STATE_SENSITIVE),
                  f'"Export" is enabled beside "{told.name}"')
    started = lambda: (driver.find_all(app, "dialog", PROGRESS) or
                       driver.find_all(app, "dialog", "Export") or
                       driver.find_all(app, "dialog", FAILED))
    # The export asked for while the document was read ends with the read.
    driver.wait_for("the progress to close", lambda: not driver.find_all(app, "dialog", PROGRESS))
    driver.stays_absent("an export of the document that could not be read", started)
    driver.press_keys(BROKEN, "ctrl+s")
    driver.stays_absent("an export of the document that could not be read, on Ctrl+S", started)
    driver.press_keys(BROKEN, "ctrl+w")
    driver.wait_for(f"the window {BROKEN} to close", lambda: BROKEN not in driver.frame_names(app))


def secure_field(alert, name):
    """A hidden-text field of the alert: the tree calls it "password text" (or "text")."""
    return driver.wait_for(f'field "{name}"', lambda: next(
        iter(driver.find_all(alert, "password text", name) + driver.find_all(alert, "text", name)),
        None))


def scenario():
    shell = driver.Shell("save-", (NAME, LOCKED))
    with shell.start(NAME) as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", NAME, timeout=20)
        field = driver.find(frame, "text", "Enter a text watermark")
        for text in ("A", "B"):
            driver.type_into(field, NAME, text)
            driver.find(frame, "list item", text)

        plain = os.path.join(shell.work, "plain")
        os.mkdir(plain)
        driver.click(driver.find(frame, "push button", "Export"))
        copies = driver.export_folder(app, plain, ("report_A.pdf", "report_B.pdf"))
        for path, text in zip(copies, ("A", "B")):
            shown = words(path)
            driver.expect(shown is not None and text in shown, f"{path} does not show {text}")
            driver.expect(subprocess.run(["qpdf", "--requires-password", path]).returncode == 2,
                          f"{path} is encrypted")

        more = driver.find(frame, "push button", "More")
        driver.click(more)
        driver.click(driver.find(app, "check box", "Password Protected"))
        driver.click(more)

        driver.click(driver.find(frame, "push button", "Export"))
        alert = driver.find(app, "dialog", "Password", timeout=20)
        # Both fields empty: "Ok" cannot be pressed, and Return asks for no export.
        before = written_outputs()
        ok = driver.find(alert, "push button", "Ok")
        driver.expect(not driver.has_state(ok, driver.pyatspi.STATE_SENSITIVE),
                      '"Ok" is enabled with both fields empty')
        driver.focus_field(secure_field(alert, "Password"), "Password")
        driver.press_keys("Password", "Return")
        driver.stays_absent("the dialog Export after Return with both fields empty",
                            lambda: driver.find_all(app, "dialog", "Export"))
        driver.expect(driver.find_all(app, "dialog", "Password"),
                      "Return with both fields empty closed the password alert")
        driver.expect(written_outputs() == before, "Return with both fields empty wrote files")
        driver.type_into(secure_field(alert, "Password"), "Password", "s3cret")
        driver.type_into(secure_field(alert, "Verify"), "Password", "s3cret")
        locked = os.path.join(shell.work, "locked")
        os.mkdir(locked)
        copies = driver.export_folder(app, locked, ("report_A.pdf", "report_B.pdf"))
        for path, text in zip(copies, ("A", "B")):
            encryption = subprocess.run(["qpdf", "--show-encryption", "--password=s3cret", path],
                                        capture_output=True, text=True).stdout
            driver.expect("AESv3" in encryption, f"{path} is not AES-256: {encryption}")
            driver.expect(subprocess.run(["qpdf", "--requires-password", path]).returncode == 0,
                          f"{path} opens without the password")
            driver.expect(words(path) is None, f"pdftotext reads {path} without the password")
            shown = words(path, "s3cret")
            driver.expect(shown is not None and text in shown, f"{path} does not show {text}")

        before = written_outputs()
        driver.click(driver.find(frame, "push button", "Export"))
        alert = driver.find(app, "dialog", "Password", timeout=20)
        driver.click(driver.find(alert, "push button", "Cancel"))
        driver.stays_absent("the dialog Export after Cancel",
                            lambda: driver.find_all(app, "dialog", "Export"))
        driver.expect(written_outputs() == before, "Cancel in the password alert wrote files")
        print("screenshot:", driver.screenshot("e2e_save"))

        export_as_the_window_shows(shell, app)
        broken_document_exports_nothing(shell, app)
        overwrite_asks_and_keeps_the_encryption(shell, app)
        shell.close_all(program, (NAME,))
        driver.expect(not renders_of("report", shell.work), "renders of report.pdf were left")


if __name__ == "__main__":
    driver.run(scenario)
