"""The Windows program under Wine, as a person would use it: a terminal to type
in, an X display for the browse dialogs, and pick_dialog.exe as the hand that
answers them."""

import io
import os
import pathlib
import re
import shutil
import subprocess
import tempfile

import pexpect
import pytest


def _required(name):
    value = os.environ.get(name)
    if not value or not pathlib.Path(value).is_file():
        pytest.fail(f"{name} must name the built file (ctest --preset windows-x64 sets it)")
    return value


# How long one step may take: a dialog to appear, a message to arrive.
STEP_SECONDS = 30
# The drive letter under which every case's folders are chosen. Choosing them
# through Z:\tmp\... makes Wine list /tmp on the way, and another program
# creating and deleting files there makes its tree give up on the path.
CASES_DRIVE = "t:"
# A drive whose root is chosen as the folder.
ROOT_DRIVE = "r:"

# Anything visible on the terminal, less colour and cursor sequences.
_TERMINAL_CODES = re.compile(r"\x1b\[[0-?]*[ -/]*[@-~]|\x1b\][^\x07\x1b]*(?:\x07|\x1b\\)|\x1b[()].")
# Wine prints this on standard error whenever a browse dialog lists the drives.
_WINE_DRIVE_NOTE = re.compile(
    r'wine: Read access denied for device L"[^"]*", FS volume label and serial are not '
    r"available\.\r?\n")


def _start_display():
    """Xvfb on the first free display number, ready once it has told us which."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as announced:
        number = announced.readline().strip()
    if not number:
        server.kill()
        server.wait()
        pytest.fail("Xvfb did not start")
    return server, ":" + number


class Wine:
    """One Wine prefix with its own display, shared by all cases of a session."""

    def __init__(self, prefix, display, cases_root, drive_root, stand_ins):
        self.opened = stand_ins / "opened"
        self.drive_root = drive_root
        self.exe = _required("FENDRIX_EXE")
        self.pick_dialog = _required("FENDRIX_PICK_DIALOG")
        self.attributes_probe = _required("FENDRIX_ATTRIBUTES_PROBE")
        self.prefix = pathlib.Path(prefix)
        self.cases_root = cases_root
        self.drives = {}
        self.env = dict(
            os.environ,
            WINEPREFIX=str(prefix),
            WINEDEBUG="-all",
            # No Mono or Gecko installers and no menu entries written to the home folder.
            WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d",
            LANG="zh_CN.UTF-8",
            LC_ALL="zh_CN.UTF-8",
            DISPLAY=display,
            PATH=f"{stand_ins}{os.pathsep}{os.environ.get('PATH', '/usr/bin:/bin')}",
        )

    def run(self, *args, timeout=120):
        # Output goes to files, not pipes: a Wine process that this one starts
        # (the desktop, for one) keeps its descriptors, and a pipe would then
        # stay open long after the program itself has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(["wine", *args], env=self.env, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(done.args, done.returncode,
                                               out.read().decode(errors="replace"),
                                               err.read().decode(errors="replace"))

    def map_drive(self, letter, target):
        (self.prefix / "dosdevices" / letter).symlink_to(target, target_is_directory=True)
        self.drives[letter] = pathlib.Path(target)

    def windows_path(self, path):
        """The path through the drive mapped to a folder holding it."""
        for letter, root in self.drives.items():
            if pathlib.Path(path).is_relative_to(root):
                relative = pathlib.Path(path).relative_to(root)
                return letter.upper() + "\\" + "\\".join(relative.parts)
        raise ValueError(f"{path} is on no drive of the cases")

    def pick(self, title, path):
        """Answers the open dialog with that instruction text: path, or None to cancel."""
        answer = ["--cancel"] if path is None else ["--choose", path]
        done = self.run(self.pick_dialog, "--title", title, *answer, "--timeout", str(STEP_SECONDS),
                        timeout=STEP_SECONDS + 30)
        assert done.returncode == 0, f"pick_dialog {answer}: {done.stderr}"

    def attributes(self, *paths):
        """What GetFileAttributesA reports for each path, as the program sees it."""
        done = self.run(self.attributes_probe, "get", *(self.windows_path(p) for p in paths))
        assert done.returncode == 0, done.stderr
        return [None if word == "absent" else int(word, 16) for word in done.stdout.split()]


class Run:
    """One start of fendrix.exe in a terminal, and what the person sees of it."""

    def __init__(self, wine):
        self.wine = wine
        self.transcript = io.StringIO()
        # Wide enough that no message wraps, tall enough that nothing scrolls.
        self.child = pexpect.spawn("wine", [wine.exe], env=wine.env, encoding="utf-8",
                                   codec_errors="replace", dimensions=(100, 200),
                                   timeout=STEP_SECONDS)
        self.child.logfile_read = self.transcript

    def type(self, line=""):
        self.child.send(line + "\r")

    def wait_for(self, text):
        self.child.expect_exact(text)

    def wait_for_any(self, texts):
        """The first of texts to appear."""
        return texts[self.child.expect_exact(texts)]

    def pick(self, title, path):
        self.wine.pick(title, path)

    def finish(self):
        """Checks the program waits for one more Enter, gives it, and returns the exit code."""
        if self.child.expect([pexpect.EOF, pexpect.TIMEOUT], timeout=0.5) == 0:
            pytest.fail("the program ended without waiting for Enter")
        self.type()
        self.child.expect(pexpect.EOF)
        self.child.close()
        assert self.child.signalstatus is None
        return self.child.exitstatus

    def screen(self):
        """The text shown, line ends as "\\r\\n" and Wine's own drive note left out."""
        text = _WINE_DRIVE_NOTE.sub("", _TERMINAL_CODES.sub("", self.transcript.getvalue()))
        return re.sub(r"\r+\n", "\r\n", text)

    def lines(self):
        """The visible lines, trimmed, without empty ones."""
        return [line.strip() for line in self.screen().split("\r\n") if line.strip()]

    def kill(self):
        if self.child.isalive():
            self.child.terminate(force=True)


@pytest.fixture(scope="session")
def wine(tmp_path_factory):
    server, display = _start_display()
    prefix = tempfile.mkdtemp(prefix="fendrix-e2e-wine-")
    session = None
    try:
        stand_ins = tmp_path_factory.mktemp("stand-ins")
        session = Wine(prefix, display, tmp_path_factory.mktemp("cases"),
                       tmp_path_factory.mktemp("drive-root"), stand_ins)
        # Wine's ShellExecute hands a web address to winebrowser.exe, which
        # starts the first of xdg-open, firefox, ... found on PATH: this one
        # notes it, whole and then renamed, so that once there it can be read.
        opener = stand_ins / "xdg-open"
        opener.write_text(f'#!/bin/sh\nprintf "%s\\n" "$*" > "{session.opened}.part"\n'
                          f'mv "{session.opened}.part" "{session.opened}"\n')
        opener.chmod(0o755)
        # The prefix is made with the display already set: a desktop process
        # started without one stays without one, and no dialog can then show.
        done = subprocess.run(["wineboot", "-i"], env=session.env, capture_output=True,
                              text=True, timeout=300)
        assert done.returncode == 0, done.stderr
        # Drive letters are read when Wine starts: they are made once it has
        # stopped, and the first run starts it again.
        subprocess.run(["wineserver", "-w"], env=session.env, timeout=300, check=True)
        session.map_drive(CASES_DRIVE, session.cases_root)
        session.map_drive(ROOT_DRIVE, session.drive_root)
        yield session
    finally:
        if session is not None:
            subprocess.run(["wineserver", "-k"], env=session.env, capture_output=True, timeout=60)
        server.terminate()
        server.wait(timeout=30)
        shutil.rmtree(prefix, ignore_errors=True)


@pytest.fixture
def case(wine):
    """A fresh folder on the cases drive for one case."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="case", dir=wine.cases_root))
    return folder


@pytest.fixture
def start(wine):
    runs = []

    def start_run():
        runs.append(Run(wine))
        return runs[-1]

    yield start_run
    for run in runs:
        run.kill()
