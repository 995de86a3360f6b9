"""Choices 1 and 2 end to end, with the terminal chooser, on real folders."""

import contextlib
import os
import re
import subprocess

import pytest

from conftest import ICON_TITLE, NO_FOLDER, NO_ICON, NOT_AN_ICON, PICK_ICON_PAUSE, \
    READY_PAUSE, REMOVE_DONE, REMOVE_FOLDER_TITLE, SET_DONE, SET_FOLDER_TITLE, SET_HEADING, \
    TRY_AGAIN, folder_name_is

ICON = b"\x00\x00\x01\x00\x01\x00 icon\x00bytes\xff"
TEMPLATE = (
    "[.ShellClassInfo]\r\nInfoTip=\r\nIconFile={}\r\nIconIndex=-101\r\nConfirmFileOp=0\r\n"
    "[{{BE098140-A513-11D0-A3A4-00C04FD706EC}}]\r\nIconArea_Image=\r\nIconArea_Text=0\r\n"
    "IconArea_TextBackground=16777215\r\nAttributes=1\r\n[ExtShellFolderViews]\r\n"
    "{{BE098140-A513-11D0-A3A4-00C04FD706EC}}={{BE098140-A513-11D0-A3A4-00C04FD706EC}}"
)


def attributes(path):
    try:
        return os.getxattr(path, "user.DOSATTRIB")
    except OSError:
        return None


def snapshot(folder):
    return {
        str(p.relative_to(folder)): (p.read_bytes() if p.is_file() else None, attributes(p))
        for p in sorted(folder.rglob("*"))
    }


def copies(folder):
    return sorted(p.name for p in folder.iterdir() if re.fullmatch(r"\d{7}\.ico", p.name))


@contextlib.contextmanager
def immutable(folder):
    subprocess.run(["chattr", "+i", str(folder)], check=True)
    try:
        yield
    finally:
        subprocess.run(["chattr", "-i", str(folder)], check=True)


@pytest.fixture
def place(tmp_path):
    (tmp_path / "target").mkdir()
    (tmp_path / "target" / "notes.txt").write_bytes(b"keep me")
    (tmp_path / "icons").mkdir()
    (tmp_path / "icons" / "pretty.ico").write_bytes(ICON)
    (tmp_path / "outside.ico").write_bytes(b"outside")
    return tmp_path


def choose(run, title, path):
    run.expect(title)
    run.expect(b"> ")
    run.type(path)


def set_icon(session, folder, icon=None, typed_folder=None):
    """Choice 1 up to its outcome; returns the running session."""
    run = session().greeted()
    run.type("1")
    run.expect(SET_HEADING)
    choose(run, SET_FOLDER_TITLE, str(folder) if typed_folder is None else typed_folder)
    if icon is None:
        return run
    run.expect(folder_name_is(folder.name))
    run.expect(PICK_ICON_PAUSE)
    run.type("")
    choose(run, ICON_TITLE, str(icon))
    return run


def finish_set(run, icon_name):
    run.expect("\r\n           图标为： ".encode() + icon_name.encode() + READY_PAUSE)
    run.type("")


def run_set(session, folder, icon, outcome=SET_DONE):
    """A whole run of choice 1 that gets past both dialogs."""
    run = set_icon(session, folder, icon)
    finish_set(run, icon.name)
    run.expect(outcome)
    run.finish()


def expect_configured(folder, icon_bytes=ICON):
    names = copies(folder)
    assert len(names) == 1, names
    ini = (folder / "desktop.ini").read_bytes()
    assert ini == TEMPLATE.format(names[0]).encode()
    assert len(ini) == 308
    assert (folder / names[0]).read_bytes() == icon_bytes
    assert attributes(folder / "desktop.ini") == b"0x7"
    assert attributes(folder / names[0]) == b"0x6"
    assert attributes(folder) == b"0x1"
    assert (folder / "desktop.ini").stat().st_mode & 0o222 == 0
    return names[0]


def test_set_configures_a_fresh_folder_and_again_leaves_one_copy(session, place):
    folder = place / "target"
    run_set(session, folder, place / "icons" / "pretty.ico")
    first = expect_configured(folder)
    assert (folder / "notes.txt").read_bytes() == b"keep me"

    (place / "icons" / "second.ico").write_bytes(b"second")
    run_set(session, folder, place / "icons" / "second.ico")
    assert expect_configured(folder, b"second") != first
    assert sorted(p.name for p in folder.iterdir()) == sorted(
        ["notes.txt", "desktop.ini"] + copies(folder))


@pytest.mark.parametrize("icon_file, deleted", [
    ("theirs.ico", True),
    ("../outside.ico", False),
    ("{place}/outside.ico", False),
    ("..\\..\\outside.ico", False),
])
def test_set_replaces_another_programs_configuration(session, place, icon_file, deleted):
    folder = place / "target"
    (folder / "theirs.ico").write_bytes(b"theirs")
    (folder / "desktop.ini").write_text(
        "[.ShellClassInfo]\r\nIconFile=" + icon_file.format(place=place) + "\r\nIconIndex=0\r\n")
    run_set(session, folder, place / "icons" / "pretty.ico")
    expect_configured(folder)
    assert (folder / "theirs.ico").exists() != deleted
    assert (place / "outside.ico").read_bytes() == b"outside"


@pytest.mark.parametrize("icon, outcome", [
    ("A.ICO", NOT_AN_ICON),
    ("", NO_ICON),
    ("dir.ico", TRY_AGAIN),  # a folder cannot be read as an icon
])
def test_set_refusals_change_nothing(session, place, icon, outcome):
    (place / "icons" / "A.ICO").write_bytes(ICON)
    (place / "icons" / "dir.ico").mkdir()
    before = snapshot(place)
    run = set_icon(session, place / "target", place / "icons" / icon if icon else "")
    run.expect(outcome)
    run.finish()
    assert snapshot(place) == before


def test_set_accepts_a_name_merely_ending_in_ico(session, place):
    (place / "icons" / "apico").write_bytes(ICON)
    run_set(session, place / "target", place / "icons" / "apico")
    expect_configured(place / "target")


def test_set_cancelled_at_the_folder_changes_nothing(session, place):
    before = snapshot(place)
    run = set_icon(session, place / "target", typed_folder="")
    run.expect(NO_FOLDER)
    run.finish()
    assert snapshot(place) == before


def test_chooser_completes_with_tab_and_asks_again_for_a_missing_folder(session, place):
    run = session().greeted()
    run.type("1")
    choose(run, SET_FOLDER_TITLE, str(place / "missing"))
    run.expect("路径不存在".encode())
    run.expect(b"> ")
    run.type(str(place / "icons" / "pretty.ico"))
    run.expect("这不是文件夹".encode())
    run.expect(b"> ")
    run.child.send(str(place / "tar").encode() + b"\t")
    run.expect(b"get")
    run.type("")
    run.expect(folder_name_is("target"))
    run.type("")
    choose(run, ICON_TITLE, "")
    run.expect(NO_ICON)
    run.finish()


def test_set_keeps_the_old_configuration_when_the_folder_cannot_be_written(session, place):
    folder = place / "target"
    run_set(session, folder, place / "icons" / "pretty.ico")
    before = snapshot(place)
    with immutable(folder):
        run_set(session, folder, place / "icons" / "pretty.ico", TRY_AGAIN)
    assert snapshot(place) == before


def remove_icon(session, folder):
    run = session().greeted()
    run.type("2")
    choose(run, REMOVE_FOLDER_TITLE, str(folder))
    return run


def test_remove_undoes_set(session, place):
    folder = place / "target"
    run_set(session, folder, place / "icons" / "pretty.ico")
    run = remove_icon(session, folder)
    run.expect(REMOVE_DONE)
    run.finish()
    assert sorted(p.name for p in folder.iterdir()) == ["notes.txt"]
    assert attributes(folder) == b"0x1"  # the folder's own mark stays


@pytest.mark.parametrize("icon_file, deleted", [
    (None, False),
    ("theirs.ico", True),
    ("..\\outside.ico", False),
    ("../outside.ico", False),
    ("{place}/outside.ico", False),
])
def test_remove_deletes_only_inside_the_folder(session, place, icon_file, deleted):
    folder = place / "target"
    (folder / "theirs.ico").write_bytes(b"theirs")
    if icon_file is not None:
        (folder / "desktop.ini").write_text("IconFile=" + icon_file.format(place=place))
    before = snapshot(place)
    run = remove_icon(session, folder)
    run.expect(REMOVE_DONE)
    run.finish()
    assert not (folder / "desktop.ini").exists()
    assert (folder / "theirs.ico").exists() != deleted
    assert (place / "outside.ico").read_bytes() == b"outside"
    if icon_file is None:
        assert snapshot(place) == before


def test_remove_reports_a_desktop_ini_that_cannot_be_deleted(session, place):
    folder = place / "target"
    (folder / "theirs.ico").write_bytes(b"theirs")
    (folder / "desktop.ini").write_text("IconFile=theirs.ico")
    with immutable(folder):
        run = remove_icon(session, folder)
        run.expect(TRY_AGAIN)
        run.finish()
    assert (folder / "desktop.ini").exists()
    assert (folder / "theirs.ico").exists()


def test_remove_cancelled(session, place):
    before = snapshot(place)
    run = remove_icon(session, "")
    run.expect(NO_FOLDER)
    run.finish()
    assert snapshot(place) == before
