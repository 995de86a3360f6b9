"""The greeting, the menu and the one choice of a run."""

import os
import subprocess
import time

import pexpect
import pytest

from conftest import BINARY, GREETING, NO_FOLDER, NO_SUCH_CHOICE, REMOVE_FOLDER_TITLE, \
    SET_HEADING


@pytest.mark.parametrize("answer", [" 1", "1 ", "01", "", "4", "１"])
def test_unlisted_choice_gets_its_message_then_the_pause(session, answer):
    run = session().greeted()
    run.type(answer)
    before = run.expect(NO_SUCH_CHOICE)
    assert before == answer.encode() + b"\n"  # only the echo of the typed line
    run.finish()


def test_choice_1_reaches_the_final_pause(session):
    run = session().greeted()
    run.type("1")
    run.expect(SET_HEADING)
    run.expect(b"> ")
    run.type("")  # an empty path cancels the chooser
    run.expect(NO_FOLDER)
    run.finish()


def test_choice_2_reaches_the_final_pause(session):
    run = session().greeted()
    run.type("2")
    before = run.expect(REMOVE_FOLDER_TITLE)
    assert b"\x1b[" not in before  # no heading before this dialog
    run.expect(b"> ")
    run.type("")
    run.expect(NO_FOLDER)
    run.finish()


def test_choice_3_opens_the_news_page_silently_and_still_waits(session, opener):
    folder, record = opener
    run = session(extra_path=str(folder)).greeted()
    run.type("3")
    deadline = time.monotonic() + 10
    while not record.exists() and time.monotonic() < deadline:
        time.sleep(0.05)
    assert record.read_text() == os.environ.get("FENDRIX_NEWS_URL", "https://news.fendrix.example/")
    # Nothing but the echo of the typed line, and the run is still waiting.
    with pytest.raises(pexpect.TIMEOUT):
        run.child.expect(b"\x1b", timeout=0.5)
    assert run.child.before == b"3\n"
    run.finish()


def test_nothing_is_written_when_output_is_not_a_terminal(tmp_path):
    main, secondary = os.openpty()
    output = tmp_path / "out"
    with open(output, "wb") as out:
        process = subprocess.Popen([BINARY], stdin=secondary, stdout=out, stderr=subprocess.PIPE)
    os.close(secondary)
    os.write(main, b"1\n")
    os.write(main, b"\n")  # cancels the chooser
    os.write(main, b"\n")  # the final pause
    assert process.wait(timeout=10) == 0
    os.close(main)
    assert output.read_bytes() == b""
    assert process.stderr.read() == b""


def test_input_that_is_not_a_terminal_is_an_unlisted_choice(session):
    run = session(command=["/bin/sh", "-c", 'exec "$0" < /dev/null', BINARY])
    run.expect(GREETING + NO_SUCH_CHOICE)
    run.child.expect(pexpect.EOF)
    run.child.close()
    assert run.child.exitstatus == 0
