"""A document window on a PDF file in a real window: the toolbar's More, Export and Share buttons
found by name in the accessibility tree, the More popover opened, "Secure Saving" switched on
through the tree, and after the popover is closed and opened again the switch is still on (the
popover reloads it from the window's model). The screenshot shows the page with its "Draft"
watermark beside the settings panel."""

import os
import tempfile

import driver
import pyatspi


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    fixture = driver.make_pdf(os.path.join(tempfile.mkdtemp(), "report.pdf"), "Quarterly report",
                              "The figures of the quarter follow.")
    with driver.Program([probe, "window", fixture, "--text", "Draft"]) as program:
        app = driver.application(os.path.basename(probe))
        frame = driver.find(app, "frame", "report.pdf", timeout=15)
        more = driver.find(frame, "push button", "More")
        for name in ("Export", "Share"):
            driver.find(frame, "push button", name)

        def secure_saving_on():
            return driver.has_state(driver.find(app, "check box", "Secure Saving"),
                                    pyatspi.STATE_CHECKED)

        def toggle_popover(what):
            driver.click(more)
            if what == "closed":
                driver.wait_for("the More popover to close",
                                lambda: not driver.find_all(app, "check box", "Secure Saving"))

        toggle_popover("open")
        driver.expect(not secure_saving_on(), "Secure Saving is on in a new window")
        driver.click(driver.find(app, "check box", "Secure Saving"))
        driver.wait_for("Secure Saving to be on", secure_saving_on)
        toggle_popover("closed")
        toggle_popover("open")
        driver.wait_for("Secure Saving to be on after reopening", secure_saving_on)
        toggle_popover("closed")

        # The page lies left of the 380-point panel whose tabs sit at the top right.
        page_x, _, page_width, _ = driver.extents(driver.find(frame, "filler", "Document"))
        tab_x = driver.extents(driver.find(frame, "page tab", "Text"))[0]
        frame_x, _, frame_width, _ = driver.extents(frame)
        driver.expect(tab_x >= frame_x + frame_width - 380 - 2,
                      "the settings panel is not at the right edge")
        driver.expect(page_width >= 200 and page_x + page_width <= tab_x,
                      "the page area reaches under the settings panel")
        driver.expect(program.running(), "the probe ended early")
        print("screenshot:", driver.screenshot("e2e_window"))


if __name__ == "__main__":
    driver.run(scenario)
