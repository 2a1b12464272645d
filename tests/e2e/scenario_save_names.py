"""The names of an export's files: with the texts "A/B" and "AB" in the list (both cleaned to
"AB"), Export into a folder gives two files, "report_AB.pdf" and "report_AB 2.pdf", each showing
its own text. A text of 300 characters added to the list is exported too, under a name cut to
255 bytes."""

import os
import subprocess

import driver

NAME = "report.pdf"
LONG = "Long" + "x" * 296


def words(pdf):
    """The text pdftotext reads on the page, without its white space (a watermark may wrap)."""
    result = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True)
    return "".join(result.stdout.split()) if result.returncode == 0 else ""


def scenario():
    shell = driver.Shell("save-names-", (NAME,))
    with shell.start(NAME) as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", NAME, timeout=20)
        field = driver.find(frame, "text", "Enter a text watermark")
        for text in ("A/B", "AB"):
            driver.type_into(field, NAME, text)
            driver.find(frame, "list item", text)

        meeting = os.path.join(shell.work, "meeting")
        os.mkdir(meeting)
        driver.click(driver.find(frame, "push button", "Export"))
        first, second = driver.export_folder(app, meeting, ("report_AB.pdf", "report_AB 2.pdf"))
        driver.expect(sorted(os.listdir(meeting)) == ["report_AB 2.pdf", "report_AB.pdf"],
                      f"the folder holds {sorted(os.listdir(meeting))}")
        driver.expect("A/B" in words(first), f"{first} does not show A/B: {words(first)!r}")
        driver.expect("A/B" not in words(second) and "AB" in words(second),
                      f"{second} does not show AB alone: {words(second)!r}")

        driver.type_into(field, NAME, LONG)
        driver.find(frame, "list item", LONG, timeout=20)
        long_name = "report_" + LONG[:251 - len("report_")] + ".pdf"
        driver.expect(len(long_name.encode()) == 255, "the expected name is not 255 bytes")
        longer = os.path.join(shell.work, "long")
        os.mkdir(longer)
        driver.click(driver.find(frame, "push button", "Export"))
        driver.export_folder(app, longer, ("report_AB.pdf", "report_AB 2.pdf", long_name))
        print("screenshot:", driver.screenshot("e2e_save_names"))
        shell.close_all(program, (NAME,))


if __name__ == "__main__":
    driver.run(scenario)
