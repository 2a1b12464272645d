"""The text list of a document window, driven through the accessibility tree: "Alpha" and "Beta"
typed into "Enter a text watermark" become list items; selecting "Alpha" through the tree changes
the pixels of the page ("Document"), selecting "Beta" changes them again (the screenshots before
and after are kept); a name typed with Return into the alert that "Save" opens is a row of the
sheet that "Open" opens."""

import subprocess

import driver


def page_pixels(document, name):
    """A screenshot kept under `name`, and the raw pixels of the page area in it."""
    x, y, width, height = driver.extents(document)
    path = driver.screenshot(name)
    return subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8",
                           "rgb:-"], check=True, capture_output=True).stdout


def scenario():
    shell = driver.Shell("text-panel-", ("report.pdf",))
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=20)
        field = driver.find(frame, "text", "Enter a text watermark")
        for text in ("Alpha", "Beta"):
            driver.type_into(field, "report.pdf", text)
            driver.find(frame, "list item", text)
        document = driver.find(frame, "filler", "Document")

        # Adding selects the new text: "Beta" is drawn now.
        before = page_pixels(document, "e2e_text_panel_beta_added")
        driver.click(driver.find(frame, "list item", "Alpha"))
        alpha = driver.wait_for(
            "the page to show the selected text",
            lambda: (lambda shot: shot if shot != before else None)(
                page_pixels(document, "e2e_text_panel_alpha")))
        driver.click(driver.find(frame, "list item", "Beta"))
        driver.wait_for(
            "the page to change again for the other text",
            lambda: page_pixels(document, "e2e_text_panel_beta") != alpha)

        driver.click(driver.find(frame, "push button", "Save"))
        alert = driver.find(app, "dialog", "Text Watermark Preset")
        driver.type_into(driver.find(alert, "text", "Enter a name"), "Text Watermark Preset",
                         "Quarterly")
        driver.wait_for("the name alert to close",
                        lambda: not driver.find_all(app, "dialog", "Text Watermark Preset"))
        driver.click(driver.find(frame, "push button", "Open"))
        sheet = driver.find(app, "dialog", "Text Watermarks Presets")
        driver.find(sheet, "list item", "Quarterly")
        print("screenshot:", driver.screenshot("e2e_text_panel"))
        driver.click(driver.find(sheet, "push button", "Cancel"))
        driver.wait_for("the sheet to close",
                        lambda: not driver.find_all(app, "dialog", "Text Watermarks Presets"))
        driver.expect(program.running(), "the program ended early")


if __name__ == "__main__":
    driver.run(scenario)
