"""The page-number panel in a document window on a three-page file: in the page "Other" the menu
item "Customize List" of the selector "Select page number" opens the dialog "Page Number
Watermarks", whose
"Add" gives a second push button "#currentPage", closed with "Done"; then the stored format
"Page #currentPage" is triggered in the same menu through the accessibility tree, the document is
exported through the dialog "Export", and page 2 of the written file shows "Page 2"."""

import os
import subprocess

import driver

NAME = "report.pdf"


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def other_page(frame):
    """The page "Other" of the settings tab (the tab of that name is a page tab)."""
    return next((node for node in named(frame, "Other") if node.getRoleName() != "page tab"),
                None)


def menu_item(page, title):
    """The menu item `title` of the selector "Select page number" of `page` (the menu is the
    chevron's child, rebuilt when the stored formats change)."""
    def find():
        items = driver.find_all(driver.selector(page, "Select page number"), "menu item", title)
        return items[0] if items else None
    return driver.wait_for(f'the menu item "{title}" of "Select page number"', find)


def page_words(pdf, page):
    result = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), pdf, "-"],
                            capture_output=True, text=True)
    return result.stdout.split() if result.returncode == 0 else None


def scenario():
    shell = driver.Shell("pagenumber-", ())
    driver.make_pdf(os.path.join(shell.work, NAME), NAME, pages=3)
    with shell.start(NAME) as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", NAME, timeout=20)
        driver.click(driver.find(frame, "page tab", "Other"))
        page = driver.wait_for('the page "Other"', lambda: other_page(frame))
        driver.wait_for("the page-number panel", lambda: named(page, "No Selection"))

        driver.press(menu_item(page, "Customize List"))
        sheet = driver.find(app, "dialog", "Page Number Watermarks", timeout=20)
        driver.wait_for('a push button "#currentPage"',
                        lambda: len(driver.find_all(sheet, "push button", "#currentPage")) == 1)
        driver.click(driver.find(sheet, "push button", "Add"))
        driver.wait_for('a second push button "#currentPage"',
                        lambda: len(driver.find_all(sheet, "push button", "#currentPage")) == 2)
        driver.click(driver.find(sheet, "push button", "Done"))
        driver.wait_for('the dialog "Page Number Watermarks" to close',
                        lambda: not driver.find_all(app, "dialog", "Page Number Watermarks"))

        driver.press(menu_item(page, "Page #currentPage"))
        driver.wait_for('"No Selection" to go', lambda: not named(page, "No Selection"))

        driver.click(driver.find(frame, "push button", "Export"))
        written = driver.export_file(app, os.path.join(shell.work, "numbered.pdf"))
        words = page_words(written, 2)
        driver.expect(words is not None, f"pdftotext cannot read {written}")
        driver.expect(any(a == "Page" and b == "2" for a, b in zip(words, words[1:])),
                      f'page 2 of {written} does not show "Page 2": {words}')
        driver.expect(program.running(), "the program ended early")
        print("screenshot:", driver.screenshot("e2e_pagenumber"))
        shell.close_all(program, (NAME,))


if __name__ == "__main__":
    driver.run(scenario)
