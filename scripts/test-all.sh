#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks, then builds every configuration
# and runs every test: native, sanitized, fuzzed, and Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

install_missing "${NATIVE_PACKAGES[@]}" \
  clang libclang-rt-14-dev clang-format googletest \
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
  wine wine64 xvfb xauth xdotool attr e2fsprogs locales \
  python3 python3-pexpect python3-pytest
# Wine takes its ANSI and console code page (936, GBK) from this locale.
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || localedef -i zh_CN -f UTF-8 zh_CN.UTF-8

export FENDRIX_WINEPREFIX="$PWD/build/wineprefix"
export FENDRIX_REQUIRE_WINE=1
step() { printf '\n=== %s\n' "$*"; }

step "format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "windows builds"
for preset in windows-x64 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
# What users download must stand alone: only DLLs that come with Windows.
for exe in build/windows-x64/fendrix.exe build/windows-x86/fendrix.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $dlls; do
    case "$dll" in
      kernel32.dll | user32.dll | shell32.dll | shlwapi.dll | ole32.dll | msvcrt.dll) ;;
      *) echo "$exe needs $dll beside it"; exit 1 ;;
    esac
  done
done

step "wine prefix"
tests/wine/run-wine cmd /c exit >/dev/null 2>&1 || true

for preset in dev sanitize; do
  step "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

step "windows-x64 under wine"
# The browse-dialog scenarios failed once in 4 loaded runs (a dialog that stopped
# answering); until they have run flake-free ten times in a row, a failure gets
# one more try, and the log shows it.
ctest --preset windows-x64 --repeat until-pass:2

step "fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

step "all tests passed"
