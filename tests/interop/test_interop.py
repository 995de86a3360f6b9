"""Attribute bits that one build sets and the other reads back over the same folder:
the native Linux probe, and the Windows probe run under Wine."""

import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("FENDRIX_SOURCE_DIR",
                                     pathlib.Path(__file__).resolve().parents[2]))
NATIVE_PROBE = os.environ.get("FENDRIX_PROBE",
                              str(SOURCE / "build/dev/tests/interop/attributes_probe"))
WINDOWS_BUILD = pathlib.Path(os.environ.get("FENDRIX_WINDOWS_BUILD", SOURCE / "build/windows-x64"))
WINDOWS_PROBE = WINDOWS_BUILD / "tests/interop/attributes_probe.exe"
RUN_WINE = SOURCE / "tests/wine/run-wine"

READ_ONLY, HIDDEN, SYSTEM, DIRECTORY, ARCHIVE = 0x1, 0x2, 0x4, 0x10, 0x20
HIDDEN_SYSTEM = HIDDEN | SYSTEM

FILE_BITS = [0, READ_ONLY, HIDDEN, SYSTEM, HIDDEN_SYSTEM, READ_ONLY | HIDDEN_SYSTEM, ARCHIVE,
             READ_ONLY | HIDDEN_SYSTEM | ARCHIVE]
FOLDER_BITS = [READ_ONLY, HIDDEN_SYSTEM, READ_ONLY | HIDDEN_SYSTEM]
CASES = [("file", bits) for bits in FILE_BITS] + [("folder", bits) for bits in FOLDER_BITS]
CASE_IDS = [f"{kind}-{bits:#x}" for kind, bits in CASES]


def seen_by_wine(kind, bits):
    """What GetFileAttributesA under Wine reports for bits set by either build.

    Wine takes only hidden and system from user.DOSATTRIB, shows read-only when
    a file has no write bits at all and reports archive on every file. A folder's
    read-only bit lives only in the extended attribute (its mode never changes),
    so under Wine it is lost; Wine itself drops it too.
    """
    if kind == "folder":
        return DIRECTORY | (bits & HIDDEN_SYSTEM)
    return ARCHIVE | (bits & (READ_ONLY | HIDDEN_SYSTEM))


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def probe(side, command, args):
    if side == "linux":
        argv = [NATIVE_PROBE, command, *args]
    else:
        argv = [str(RUN_WINE), str(WINDOWS_PROBE), command, *args]
    done = subprocess.run(argv, capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, f"{argv}\n{done.stdout}\n{done.stderr}"
    return done.stdout


def set_bits(side, pairs):
    args = []
    for path, bits in pairs:
        args += [windows_path(path) if side == "windows" else str(path), hex(bits)]
    probe(side, "set", args)


def get_bits(side, paths):
    """The bits each path shows to that build's probe; None when nothing is stored."""
    names = [windows_path(path) if side == "windows" else str(path) for path in paths]
    lines = probe(side, "get", names).split()
    assert len(lines) == len(paths), lines
    return [None if line == "absent" else int(line, 16) for line in lines]


@pytest.fixture(scope="module", autouse=True)
def windows_probe_present():
    if not pathlib.Path(NATIVE_PROBE).is_file():
        pytest.fail(f"no native probe at {NATIVE_PROBE}")
    if not WINDOWS_PROBE.is_file():
        message = f"no Windows probe at {WINDOWS_PROBE}: build the windows-x64 preset first"
        if os.environ.get("FENDRIX_REQUIRE_WINE") == "1":
            pytest.fail(message)
        pytest.skip(message)


def make_entries(folder):
    paths = {}
    for (kind, bits), name in zip(CASES, CASE_IDS):
        path = folder / name
        if kind == "file":
            path.write_bytes(b"x")
        else:
            path.mkdir()
        paths[(kind, bits)] = path
    return paths


def views(paths):
    """Each entry as both builds see it, and its mode."""
    keys = list(paths)
    wine = get_bits("windows", [paths[key] for key in keys])
    linux = get_bits("linux", [paths[key] for key in keys])
    return {key: {"wine": w, "linux": l, "mode": os.stat(paths[key]).st_mode & 0o7777}
            for key, w, l in zip(keys, wine, linux)}


@pytest.fixture(scope="module")
def set_on_linux(tmp_path_factory):
    paths = make_entries(tmp_path_factory.mktemp("set-on-linux"))
    set_bits("linux", [(path, bits) for (kind, bits), path in paths.items()])
    return views(paths)


@pytest.fixture(scope="module")
def set_under_wine(tmp_path_factory):
    paths = make_entries(tmp_path_factory.mktemp("set-under-wine"))
    before = {key: os.stat(path).st_mode & 0o7777 for key, path in paths.items()}
    set_bits("windows", [(path, bits) for (kind, bits), path in paths.items()])
    seen = views(paths)
    for key in seen:
        seen[key]["mode before"] = before[key]
    return seen


@pytest.mark.parametrize("kind,bits", CASES, ids=CASE_IDS)
def test_bits_set_on_linux_are_read_under_wine(set_on_linux, kind, bits):
    seen = set_on_linux[(kind, bits)]
    assert seen["linux"] == bits
    assert seen["wine"] == seen_by_wine(kind, bits)


@pytest.mark.parametrize("kind,bits", CASES, ids=CASE_IDS)
def test_bits_set_under_wine_are_read_on_linux(set_under_wine, kind, bits):
    seen = set_under_wine[(kind, bits)]
    assert seen["wine"] == seen_by_wine(kind, bits)
    # Wine writes only hidden and system to user.DOSATTRIB and removes it when
    # neither is set; read-only is the missing write bits.
    assert seen["linux"] == ((bits & HIDDEN_SYSTEM) or None)
    if kind == "file":
        assert (seen["mode"] & 0o222 == 0) == bool(bits & READ_ONLY)
    else:
        assert seen["mode"] == seen["mode before"]


@pytest.fixture(scope="module")
def cleared(tmp_path_factory):
    """Read-only, hidden and system set by one build, then archive alone by the other."""
    folder = tmp_path_factory.mktemp("cleared")
    linux_first, wine_first = folder / "linux-first.ini", folder / "wine-first.ini"
    for path in (linux_first, wine_first):
        path.write_bytes(b"x")
    all_three = READ_ONLY | HIDDEN_SYSTEM
    set_bits("linux", [(linux_first, all_three)])
    set_bits("windows", [(wine_first, all_three), (linux_first, ARCHIVE)])
    set_bits("linux", [(wine_first, ARCHIVE)])
    return views({"linux first": linux_first, "wine first": wine_first})


@pytest.mark.parametrize("order,stored", [("linux first", None), ("wine first", ARCHIVE)])
def test_archive_alone_clears_what_the_other_build_set(cleared, order, stored):
    seen = cleared[order]
    assert seen["wine"] == ARCHIVE
    assert seen["linux"] == stored  # Wine removes the extended attribute for archive alone.
    assert seen["mode"] & 0o200
