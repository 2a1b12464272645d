"""A QR code made in the sheet "QR Codes" and drawn on the pages: in the page "Image" the menu item
"Customize List" of "Select" opens the sheet, which lists the stored "Harrowcote Website"; the name
"Site" typed into "Enter a new name" with Return adds a row "Site", whose editor takes the type
"Link" and an address without a scheme typed into "URL" with Return. On the way, the calendar of
the type "Event"'s "Start date" names its day cells by their whole dates, and pressing one picks
that date. "Done" closes the sheet. The
menu item "Site" then draws the code, and Export, with a path typed over the "File name:" of the
dialog "Export", writes a file whose page, rendered by pdftoppm, zbarimg reads as the address with
"https://" added."""

import os
import subprocess

import pyatspi

import driver

ADDRESS = "harrowcote.example/flyer"


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def image_page(frame):
    """The page "Image" of the settings tab (not its page tab)."""
    return next(iter(node for node in named(frame, "Image") if node.getRoleName() != "page tab"),
                None)


def menu_item(select, title):
    return driver.wait_for(f'the menu item "{title}" of "Select"', lambda: next(
        iter(driver.find_all(select, "menu item", title)), None))


def decoded(pdf, folder):
    """What zbarimg reads on page 1 of `pdf`, rendered on its crop box at 150 dpi."""
    prefix = os.path.join(folder, "page")
    subprocess.run(["pdftoppm", "-cropbox", "-r", "150", "-png", "-f", "1", "-l", "1", pdf,
                    prefix], check=True)
    pages = [name for name in os.listdir(folder) if name.startswith("page") and
             name.endswith(".png")]
    driver.expect(len(pages) == 1, f"pdftoppm made {pages}")
    result = subprocess.run(["zbarimg", "-q", "--raw", os.path.join(folder, pages[0])],
                            capture_output=True, text=True)
    return result.stdout.strip()


def scenario():
    shell = driver.Shell("qr-", ("flyer.pdf",))
    with shell.start("flyer.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "flyer.pdf", timeout=15)
        driver.click(driver.find(frame, "page tab", "Image"))
        page = driver.wait_for('the page "Image"', lambda: image_page(frame))
        select = driver.wait_for('the selector "Select" of the page "Image"',
                                 lambda: next(iter(named(page, "Select")), None))
        menu_item(select, "Customize List").queryAction().doAction(0)

        sheet = driver.find(app, "dialog", "QR Codes", timeout=15)
        driver.find(sheet, "push button", "Harrowcote Website")
        driver.type_into(driver.find(sheet, "text", "Enter a new name"), "QR Codes", "Site")
        driver.click(driver.find(sheet, "push button", "Site"))
        driver.click(driver.find(sheet, "page tab", "Event"))
        start = driver.find(sheet, "push button", "Start date")
        driver.click(start)
        days = driver.find(app, "table", "Days", timeout=15)
        cells = driver.wait_for("the day cells of the calendar", lambda: [
            cell for cell in driver.children(days) if cell.getRoleName() == "table cell"])
        driver.expect(len({cell.name for cell in cells}) == len(cells),
                      f"day cells share a name: {[cell.name for cell in cells]}")
        day = cells[10].name
        cells[10].queryAction().doAction(0)
        driver.wait_for(f'"Start date" to show the day pressed, {day}',
                        lambda: start.description == day)
        driver.click(driver.find(sheet, "page tab", "Link"))
        driver.type_into(driver.find(sheet, "text", "URL"), "QR Codes", ADDRESS)
        driver.click(driver.find(sheet, "push button", "Done"))
        driver.wait_for('the dialog "QR Codes" to close',
                        lambda: not driver.find_all(app, "dialog", "QR Codes"))

        menu_item(select, "Site").queryAction().doAction(0)
        # The picture is set: "Clear image" can remove it.
        clear = driver.find(page, "push button", "Clear image")
        driver.wait_for('"Clear image" to be enabled',
                        lambda: driver.has_state(clear, pyatspi.STATE_ENABLED))
        driver.expect(program.running(), "the program ended early")
        print("screenshot:", driver.screenshot("e2e_qr"))

        driver.click(driver.find(frame, "push button", "Export"))
        written = driver.export_file(app, os.path.join(shell.work, "flyer-site.pdf"))
        pages = os.path.join(shell.work, "pages")
        os.mkdir(pages)
        read = decoded(written, pages)
        driver.expect(read == "https://" + ADDRESS,
                      f"zbarimg read {read!r} on the written page, not the address")
        shell.close_all(program, ("flyer.pdf",))


if __name__ == "__main__":
    driver.run(scenario)
