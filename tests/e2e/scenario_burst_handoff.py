"""The window program under signals and a stopped peer. With a.pdf open, a burst of 20,000
SIGTERMs ends it once and cleanly, keeping its window for the next start. That next start is then
stopped (`kill -STOP`): a later `fenmoor b.pdf` gives up after its twenty seconds, says so in one
line and shows only b.pdf, and its Ctrl+Q keeps nothing. Once the stopped program goes on, it does
not open b.pdf from the message its gone sender left; at its own Ctrl+Q it keeps only its own
windows, and they come back at the next start."""

import os
import signal

import driver

BURST = 20000


def scenario():
    shell = driver.Shell("burst-handoff-", ("a.pdf", "b.pdf", "c.pdf"))
    with shell.start("a.pdf") as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf"], "the window of a.pdf")
        for _ in range(BURST):
            os.kill(program.process.pid, signal.SIGTERM)
        program.ends_cleanly(f"a burst of {BURST} SIGTERMs")

    with shell.start() as running:
        app = driver.application(process=running.process)
        driver.frames_become(app, ["a.pdf"], "the window kept through the burst")
        os.kill(running.process.pid, signal.SIGSTOP)
        try:
            with shell.start("b.pdf") as beside:
                # It waits for the stopped program for the hand-off's twenty seconds first.
                other = driver.application(process=beside.process, timeout=40)
                driver.frames_become(other, ["b.pdf"], "only the file of the start that gave up")
                print("screenshot:", driver.screenshot("e2e_burst_handoff_beside"))
                # Held until the program has ended: Ctrl+Q must not go on to the stopped
                # program's window once the one it was meant for has closed.
                with driver.keys_held("b.pdf", "ctrl+q"):
                    beside.ends_cleanly("Ctrl+Q in the program of its own")
                told = [line for line in beside.process.stderr.read().splitlines()
                        if line.startswith("fenmoor:")]
                driver.expect(len(told) == 1 and "did not answer" in told[0],
                              f"the start that gave up said {told}")
        finally:
            os.kill(running.process.pid, signal.SIGCONT)
        # The message left by the start that gave up waits before c.pdf's: once c.pdf shows, it
        # has been read.
        shell.start_again("c.pdf")
        driver.frames_become(app, ["a.pdf", "c.pdf"], "c.pdf and not the gone sender's b.pdf")
        driver.press_keys("a.pdf", "ctrl+q")
        running.ends_cleanly("Ctrl+Q in the running program")

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf", "c.pdf"], "the running program's windows kept")
        shell.close_all(program, ("a.pdf", "c.pdf"))


if __name__ == "__main__":
    driver.run(scenario)
