"""Drives the real Linux binary in a pseudo-terminal, as a person would."""

import os
import stat
import termios

import pexpect
import pytest

BINARY = os.environ.get("FENDRIX_BIN", "build/dev/fendrix")
CONTACT = os.environ.get("FENDRIX_CONTACT", "500100200")

# ANSI foreground numbers for the colour indexes the dialogue uses; every
# message is on a black background (40) and followed by a reset.
ANSI = {0: 37, 10: 91, 11: 92, 12: 93, 14: 95, 16: 97}


def said(colour, text):
    return b"\x1b[%d;40m" % ANSI[colour] + text.encode() + b"\x1b[0m"


GREETING = b"".join(
    said(colour, text)
    for colour, text in [
        (10, "\r\n        欢迎使用Fendrix1.0    QQ：" + CONTACT + "\r\n"),
        (11, "\r\n         通过desktop实现文件夹图标 移动 剪切 复制 文件夹图标一旧显示！  \r\n"),
        (12, "\r\n              按 回车继续 取消直接关闭本程序！  \r\n"),
        (10, "-" * 74 + "\r\n"),
        (11, "\r\n         本Fendrix最大的特色就是 设置后的文件夹图标不取消不会丢失！  \r\n"),
        (0, "\r\n           1、设置文件夹图标\r\n\r\n           2、删除文件夹内的图标设置\r\n\r\n"
            "           3、打开TarvessaQQ空间查看最新动态！\r\n"),
        (14, "\r\n           请输入："),
    ]
)

NO_SUCH_CHOICE = said(16, "没有此选项！\r\n")
SET_HEADING = said(12, "\r\n          选择需要设置的文件夹     \r\n")
SET_FOLDER_TITLE = "请选择需要 设置的文件夹  ++++++".encode()
ICON_TITLE = "请选择 将要设置的文件夹 图标 ！！！！！！".encode()
REMOVE_FOLDER_TITLE = "请选择 设置的文件夹  ++++++".encode()
NO_FOLDER = said(16, "没有选择文件夹！\r\n")
NO_ICON = said(16, "没有选择图标\r\n")
NOT_AN_ICON = said(10, "\r\n当前不支持本图片当图标！\r\n")
PICK_ICON_PAUSE = said(12, "\r\n    请选择 文件夹图标  仅支持ICO格式图标          回车继续")
READY_PAUSE = "\r\n\r\n         已完成准备工作 按回车开始执行文件夹图标设置".encode()
SET_DONE = said(16, "修改图标成功！ 按回车键退出  没显示出来按F5刷新下桌面！\r\n")
TRY_AGAIN = said(16, "图标文件被其他文件占用或者打开请重试！！\r\n")
REMOVE_DONE = said(16, "删除文件夹图标设置成功 按F5刷新桌面！\r\n")


def folder_name_is(name):
    return said(11, "\r\n          需要设置的文件夹名称为： " + name + "\r\n")


def _raw_output():
    # Without output translation the bytes read are exactly the bytes written.
    attributes = termios.tcgetattr(0)
    attributes[1] &= ~termios.ONLCR
    termios.tcsetattr(0, termios.TCSANOW, attributes)


def environment(extra_path=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["TERM"] = "xterm"
    env["LANG"] = "C.UTF-8"
    if extra_path:
        env["PATH"] = extra_path + os.pathsep + env.get("PATH", "")
    return env


class Session:
    """One run of the binary in a pseudo-terminal."""

    def __init__(self, extra_path=None, command=None):
        self.child = pexpect.spawn(
            command[0] if command else BINARY,
            command[1:] if command else [],
            env=environment(extra_path),
            timeout=10,
            preexec_fn=_raw_output,
        )

    def expect(self, data):
        self.child.expect_exact(data)
        return self.child.before

    def greeted(self):
        before = self.expect(GREETING)
        assert before == b"", before
        return self

    def type(self, line):
        self.child.send(line.encode() + b"\r")

    def finish(self):
        """The final pause: the run waits for Enter, then exits with 0."""
        assert self.child.isalive()
        self.type("")
        self.child.expect(pexpect.EOF)
        self.child.close()
        assert self.child.exitstatus == 0
        assert self.child.signalstatus is None


@pytest.fixture
def session():
    sessions = []

    def start(**kwargs):
        sessions.append(Session(**kwargs))
        return sessions[-1]

    yield start
    for s in sessions:
        if s.child.isalive():
            s.child.terminate(force=True)


@pytest.fixture
def opener(tmp_path):
    """A stand-in xdg-open, first on PATH, that records its argument."""
    folder = tmp_path / "bin"
    folder.mkdir()
    record = tmp_path / "opened"
    script = folder / "xdg-open"
    script.write_text('#!/bin/sh\nprintf "%%s" "$1" > "%s.part" && mv "%s.part" "%s"\n'
                      % (record, record, record))
    script.chmod(script.stat().st_mode | stat.S_IXUSR)
    return folder, record
