"""A document window on a PDF file in a real window: the toolbar's More, Export and Share buttons
found by name in the accessibility tree, the More popover opened, "Secure Saving" switched on
through the tree, and after the popover is closed and opened again the switch is still on (the
popover reloads it from the window's model). The screenshot shows the page with its "Draft"
watermark beside the settings panel."""

import os
import tempfile

import driver
import pyatspi


def write_fixture(path):
    """A one-page PDF of text, written by hand (objects, cross-reference table, trailer)."""
    content = (b"BT /F1 28 Tf 72 700 Td (Quarterly report) Tj ET "
               b"BT /F1 12 Tf 72 660 Td (The figures of the quarter follow.) Tj ET")
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    data = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    data += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(path, "wb") as file:
        file.write(data)


def is_checked(node):
    return driver.has_state(node, pyatspi.STATE_CHECKED)


def secure_saving(app):
    """The "Secure Saving" switch of the open More popover."""
    return driver.find(app, "check box", "Secure Saving")


def popover_closed(app):
    return not driver.find_all(app, "check box", "Secure Saving")


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    folder = tempfile.mkdtemp()
    fixture = os.path.join(folder, "report.pdf")
    write_fixture(fixture)
    with driver.Program([probe, "window", fixture, "--text", "Draft"]) as program:
        app = driver.application(os.path.basename(probe))
        frame = driver.find(app, "frame", "report.pdf", timeout=15)
        more = driver.find(frame, "push button", "More")
        for name in ("Export", "Share"):
            driver.find(frame, "push button", name)
        for name in ("Text", "Image", "Stamp", "Other"):
            driver.find(frame, "page tab", name)

        driver.click(more)
        switch = secure_saving(app)
        if is_checked(switch):
            raise driver.ScenarioFailure("Secure Saving is on in a new window")
        driver.click(switch)
        driver.wait_for("Secure Saving to be on", lambda: is_checked(secure_saving(app)))

        driver.click(more)
        driver.wait_for("the More popover to close", lambda: popover_closed(app))
        driver.click(more)
        driver.wait_for("Secure Saving to be on after reopening",
                        lambda: is_checked(secure_saving(app)))
        driver.click(more)
        driver.wait_for("the More popover to close again", lambda: popover_closed(app))

        # The page lies left of the 380-point panel whose tabs sit at the top right.
        page = driver.find(frame, "filler", "Document")
        tab_x = driver.extents(driver.find(frame, "page tab", "Text"))[0]
        frame_x, _, frame_width, _ = driver.extents(frame)
        if tab_x < frame_x + frame_width - 380 - 2:
            raise driver.ScenarioFailure("the settings panel is not at the right edge")
        page_x, _, page_width, _ = driver.extents(page)
        if page_width < 200 or page_x + page_width > tab_x:
            raise driver.ScenarioFailure("the page area reaches under the settings panel")
        if not program.running():
            raise driver.ScenarioFailure("the probe ended early")
        print("screenshot:", driver.screenshot("e2e_window"))


if __name__ == "__main__":
    driver.run(scenario)
