"""fendrix.exe end to end under Wine: typed answers, the real browse dialogs,
what the terminal shows and what the folder holds afterwards."""

import dataclasses
import os
import pathlib
import re
import stat
import time
from typing import Callable, Optional

import pytest

CONTACT = os.environ.get("FENDRIX_CONTACT", "500100200")
NEWS_URL = os.environ.get("FENDRIX_NEWS_URL", "https://news.fendrix.example/")

GREETING = [
    "欢迎使用Fendrix1.0    QQ：" + CONTACT,
    "通过desktop实现文件夹图标 移动 剪切 复制 文件夹图标一旧显示！",
    "按 回车继续 取消直接关闭本程序！",
    "-" * 74,
    "本Fendrix最大的特色就是 设置后的文件夹图标不取消不会丢失！",
    "1、设置文件夹图标",
    "2、删除文件夹内的图标设置",
    "3、打开TarvessaQQ空间查看最新动态！",
]
PROMPT = "请输入："
SET_FOLDER_TITLE = "请选择需要 设置的文件夹  ++++++"
ICON_TITLE = "请选择 将要设置的文件夹 图标 ！！！！！！"
REMOVE_FOLDER_TITLE = "请选择 设置的文件夹  ++++++"

NO_SUCH_CHOICE = "没有此选项！"
SET_HEADING = "选择需要设置的文件夹"
FOLDER_NAME_IS = "需要设置的文件夹名称为："
PICK_ICON_PAUSE = "请选择 文件夹图标  仅支持ICO格式图标          回车继续"
ICON_IS = "图标为："
READY_PAUSE = "已完成准备工作 按回车开始执行文件夹图标设置"
SET_DONE = "修改图标成功！ 按回车键退出  没显示出来按F5刷新下桌面！"
NO_FOLDER = "没有选择文件夹！"
NO_ICON = "没有选择图标"
NOT_AN_ICON = "当前不支持本图片当图标！"
TRY_AGAIN = "图标文件被其他文件占用或者打开请重试！！"
REMOVE_DONE = "删除文件夹图标设置成功 按F5刷新桌面！"

# An icon header and every byte value, so that any translation of the bytes shows.
ICON = b"\x00\x00\x01\x00\x01\x00" + bytes(range(256)) * 3
OTHER_ICON = ICON[::-1]

READ_ONLY, HIDDEN, SYSTEM = 0x1, 0x2, 0x4


def icon_ini(name):
    return ("[.ShellClassInfo]\r\n"
            "InfoTip=\r\n"
            f"IconFile={name}\r\n"
            "IconIndex=-101\r\n"
            "ConfirmFileOp=0\r\n"
            "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
            "IconArea_Image=\r\n"
            "IconArea_Text=0\r\n"
            "IconArea_TextBackground=16777215\r\n"
            "Attributes=1\r\n"
            "[ExtShellFolderViews]\r\n"
            "{BE098140-A513-11D0-A3A4-00C04FD706EC}={BE098140-A513-11D0-A3A4-00C04FD706EC}"
            ).encode()


def dos_attributes(path):
    """The bits Wine keeps in user.DOSATTRIB (hidden, system), or None."""
    try:
        return int(os.getxattr(path, "user.DOSATTRIB").rstrip(b"\0"), 16)
    except OSError:
        return None


def snapshot(root):
    """Every entry under root with its bytes, mode and Wine's stored bits."""
    entries = {}
    for folder, names, files in os.walk(root):
        for name in names + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            content = pathlib.Path(path).read_bytes() if stat.S_ISREG(info.st_mode) else None
            entries[os.path.relpath(path, root)] = (info.st_mode, content, dos_attributes(path))
    return entries


def configured_copy(wine, folder, icon_bytes, others):
    """Checks folder is configured for icon_bytes and holds others too; returns the copy's name."""
    names = set(os.listdir(folder))
    copies = [name for name in names if re.fullmatch(r"[0-9]{7}\.ico", name)]
    assert len(copies) == 1, names
    copy = folder / copies[0]
    ini = folder / "desktop.ini"
    assert names == {"desktop.ini", copy.name, *others}
    assert ini.read_bytes() == icon_ini(copy.name)
    assert ini.stat().st_size == 308
    assert copy.read_bytes() == icon_bytes
    # Wine keeps hidden and system in the extended attribute and a file's
    # read-only bit as missing write bits; it drops a folder's read-only bit.
    assert dos_attributes(ini) == HIDDEN | SYSTEM
    assert ini.stat().st_mode & 0o222 == 0
    assert dos_attributes(copy) == HIDDEN | SYSTEM
    assert copy.stat().st_mode & 0o200
    assert not (dos_attributes(folder) or 0) & (HIDDEN | SYSTEM)
    ini_bits, copy_bits = wine.attributes(ini, copy)
    assert ini_bits & 0x7 == READ_ONLY | HIDDEN | SYSTEM
    assert copy_bits & 0x7 == HIDDEN | SYSTEM
    return copy.name


# Answers in the table: a path relative to the case folder, a Windows path as
# it is, CANCEL to close the dialog without a choice, or NOT_ASKED.
CANCEL = None
NOT_ASKED = "not asked"


# Messages after which the program only waits for the last Enter.
ENDINGS = [SET_DONE, TRY_AGAIN, NO_FOLDER, NO_ICON, NOT_AN_ICON, REMOVE_DONE, NO_SUCH_CHOICE]


def converse(run, choice, folder, icon):
    """Types choice, answers each dialog and pause as they come, and returns the exit code.

    folder and icon are Windows paths, None to cancel, or NOT_ASKED. The run
    follows what the program shows, so a wrong turn ends in a wrong transcript
    rather than a wait for a message that never comes.
    """
    run.wait_for(PROMPT)
    run.type(choice)
    if folder != NOT_ASKED:
        run.pick(SET_FOLDER_TITLE if choice == "1" else REMOVE_FOLDER_TITLE, folder)
    if choice == "3":
        wait_for_file(run.wine.opened)
    else:
        while (shown := run.wait_for_any([PICK_ICON_PAUSE, READY_PAUSE] + ENDINGS)) not in ENDINGS:
            run.type()
            if shown == PICK_ICON_PAUSE and icon != NOT_ASKED:
                run.pick(ICON_TITLE, icon)
    return run.finish()


def wait_for_file(path):
    deadline = time.monotonic() + 30
    while not path.exists():
        assert time.monotonic() < deadline, f"{path} never appeared"
        time.sleep(0.05)


def set_icon(start, wine, folder, icon):
    """A whole successful run of choice 1, to prepare a folder as the program leaves it."""
    run = start()
    assert converse(run, "1", wine.windows_path(folder), wine.windows_path(icon)) == 0
    assert run.lines()[-1] == SET_DONE


@dataclasses.dataclass
class Scenario:
    id: str
    choice: str
    lines: list  # what is shown after the greeting, line by line
    folder: Optional[str] = NOT_ASKED
    icon: Optional[str] = NOT_ASKED
    prepare: Callable = lambda ctx: None
    check: Callable = lambda ctx: None


class Context:
    """One case: its folder, the session's Wine, and what was there before the run."""

    def __init__(self, wine, start, folder):
        self.wine, self.start, self.folder = wine, start, folder
        self.before = None  # the folder's snapshot before the run
        self.copy = None  # the icon copy a prepared configuration left
        self.screen = None

    def path(self, relative):
        return self.folder / relative

    def unchanged(self):
        assert snapshot(self.folder) == self.before


def fresh_folder(ctx):
    target = ctx.path("我的文件夹")
    target.mkdir()
    (target / "说明.txt").write_bytes(b"kept\r\n")
    ctx.path("图标.ico").write_bytes(ICON)
    ctx.path("A.ICO").write_bytes(ICON)
    ctx.path("apico").write_bytes(OTHER_ICON)
    ctx.path("folder.ico").mkdir()


def configured_folder(ctx):
    fresh_folder(ctx)
    ctx.path("other.ico").write_bytes(OTHER_ICON)
    set_icon(ctx.start, ctx.wine, ctx.path("我的文件夹"), ctx.path("图标.ico"))
    ctx.copy = configured_copy(ctx.wine, ctx.path("我的文件夹"), ICON, {"说明.txt"})


def written_by_another_program(icon_file_line):
    def prepare(ctx):
        fresh_folder(ctx)
        target = ctx.path("我的文件夹")
        ini = target / "desktop.ini"
        ini.write_bytes(b"[.ShellClassInfo]\r\nIconFile=" + icon_file_line + b"\r\nIconIndex=0\r\n")
        # As Windows leaves it: read-only, hidden and system.
        os.setxattr(ini, "user.DOSATTRIB", b"0x6")
        ini.chmod(0o444)
        (target / "old.ico").write_bytes(OTHER_ICON)
        ctx.path("outside.ico").write_bytes(OTHER_ICON)
    return prepare


def drive_root(ctx):
    ctx.folder = ctx.wine.drive_root
    assert not os.listdir(ctx.folder), "the drive root is for one case only"
    ctx.path("图标.ico").write_bytes(ICON)


SET_LINES_UNTIL_ICON = [SET_HEADING, FOLDER_NAME_IS + " 我的文件夹", PICK_ICON_PAUSE]


def set_lines(icon_name, outcome):
    return SET_LINES_UNTIL_ICON + [ICON_IS + " " + icon_name, READY_PAUSE, outcome]


def check_fresh(ctx):
    configured_copy(ctx.wine, ctx.path("我的文件夹"), ICON, {"说明.txt"})
    assert ctx.path("我的文件夹/说明.txt").read_bytes() == b"kept\r\n"
    assert ctx.path("图标.ico").read_bytes() == ICON


def check_set_again(ctx):
    copy = configured_copy(ctx.wine, ctx.path("我的文件夹"), OTHER_ICON, {"说明.txt"})
    assert copy != ctx.copy


def check_bare_name_replaced(ctx):
    configured_copy(ctx.wine, ctx.path("我的文件夹"), ICON, {"说明.txt"})
    assert ctx.path("outside.ico").read_bytes() == OTHER_ICON


def check_outside_kept(ctx):
    configured_copy(ctx.wine, ctx.path("我的文件夹"), ICON, {"说明.txt", "old.ico"})
    assert ctx.path("outside.ico").read_bytes() == OTHER_ICON


def check_drive_root(ctx):
    configured_copy(ctx.wine, ctx.folder, ICON, {"图标.ico"})
    # The name shown is empty: the label is followed directly by the line end.
    assert FOLDER_NAME_IS + " \r\n" in ctx.screen


def check_removed(ctx):
    assert sorted(os.listdir(ctx.path("我的文件夹"))) == ["说明.txt"]
    assert ctx.path("other.ico").read_bytes() == OTHER_ICON


def check_removed_outside_kept(ctx):
    assert sorted(os.listdir(ctx.path("我的文件夹"))) == ["old.ico", "说明.txt"]
    assert ctx.path("outside.ico").read_bytes() == OTHER_ICON


def check_news_page_opened(ctx):
    assert ctx.wine.opened.read_text() == NEWS_URL + "\n"


SCENARIOS = [
    Scenario("unlisted-choice", "5", [NO_SUCH_CHOICE]),
    Scenario("enter-alone", "", [NO_SUCH_CHOICE]),
    Scenario("news-page", "3", [], check=check_news_page_opened),
    Scenario("set-fresh-folder", "1", set_lines("图标.ico", SET_DONE),
             folder="我的文件夹", icon="图标.ico", prepare=fresh_folder, check=check_fresh),
    Scenario("set-again", "1", set_lines("other.ico", SET_DONE),
             folder="我的文件夹", icon="other.ico", prepare=configured_folder,
             check=check_set_again),
    Scenario("set-over-bare-name", "1", set_lines("图标.ico", SET_DONE),
             folder="我的文件夹", icon="图标.ico", prepare=written_by_another_program(b"old.ico"),
             check=check_bare_name_replaced),
    Scenario("set-over-name-outside", "1", set_lines("图标.ico", SET_DONE),
             folder="我的文件夹", icon="图标.ico",
             prepare=written_by_another_program(b"..\\outside.ico"), check=check_outside_kept),
    Scenario("set-drive-root", "1",
             [SET_HEADING, FOLDER_NAME_IS, PICK_ICON_PAUSE, ICON_IS + " 图标.ico", READY_PAUSE,
              SET_DONE],
             folder="R:\\", icon="图标.ico", prepare=drive_root, check=check_drive_root),
    Scenario("set-name-ending-ico-without-dot", "1", set_lines("apico", SET_DONE),
             folder="我的文件夹", icon="apico", prepare=fresh_folder,
             check=lambda ctx: configured_copy(ctx.wine, ctx.path("我的文件夹"), OTHER_ICON,
                                               {"说明.txt"})),
    Scenario("set-cancel-folder", "1", [SET_HEADING, NO_FOLDER],
             folder=CANCEL, prepare=fresh_folder, check=Context.unchanged),
    Scenario("set-cancel-icon", "1", SET_LINES_UNTIL_ICON + [NO_ICON],
             folder="我的文件夹", icon=CANCEL, prepare=fresh_folder, check=Context.unchanged),
    Scenario("set-refused-name", "1", SET_LINES_UNTIL_ICON + [NOT_AN_ICON],
             folder="我的文件夹", icon="A.ICO", prepare=fresh_folder, check=Context.unchanged),
    Scenario("set-unreadable-icon", "1", SET_LINES_UNTIL_ICON + [TRY_AGAIN],
             folder="我的文件夹", icon="folder.ico", prepare=fresh_folder, check=Context.unchanged),
    Scenario("remove", "2", [REMOVE_DONE],
             folder="我的文件夹", prepare=configured_folder, check=check_removed),
    Scenario("remove-name-outside", "2", [REMOVE_DONE],
             folder="我的文件夹", prepare=written_by_another_program(b"..\\outside.ico"),
             check=check_removed_outside_kept),
    Scenario("remove-cancel", "2", [NO_FOLDER],
             folder=CANCEL, prepare=configured_folder, check=Context.unchanged),
]


def answer(ctx, path):
    if path in (CANCEL, NOT_ASKED) or re.match(r"[A-Za-z]:\\", path):
        return path
    return ctx.wine.windows_path(ctx.path(path))


@pytest.mark.parametrize("scenario", SCENARIOS, ids=[s.id for s in SCENARIOS])
def test_dialogue(wine, start, case, scenario):
    ctx = Context(wine, start, case)
    scenario.prepare(ctx)
    ctx.before = snapshot(ctx.folder)
    if wine.opened.exists():
        wine.opened.unlink()

    run = start()
    code = converse(run, scenario.choice, answer(ctx, scenario.folder), answer(ctx, scenario.icon))
    assert code == 0
    ctx.screen = run.screen()
    assert run.lines() == GREETING + [PROMPT + scenario.choice] + scenario.lines
    scenario.check(ctx)
