// libFuzzer target for the text services and the desktop.ini reading. The
// whole input is read as a desktop.ini; the same bytes, taken apart, drive
// the search and substitution operations in both encodings. Each result is
// held against a plain reference or an invariant; a failed check aborts,
// which libFuzzer reports as a crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "services/files.h"
#include "services/text.h"
#include "tool/icon_ini.h"

namespace fendrix {
namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz_text: %s\n", what);
  std::abort();
}

Text WithoutNul(Text t) {
  std::erase(t, '\0');
  return t;
}

bool StartsWith(const Text& t, const Text& prefix) {
  return t.compare(0, prefix.size(), prefix) == 0;
}
bool EndsWith(const Text& t, const Text& suffix) {
  return t.size() >= suffix.size() &&
         t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Written from the rules, apart from the code under test.
std::size_t Step(unsigned char lead, Encoding encoding) {
  if (encoding == Encoding::Gbk) return lead & 0x80 ? 2 : 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAt(const Text& t, std::size_t at, const Text& s, bool ignoreCase) {
  if (at + s.size() > t.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (ignoreCase ? Fold(t[at + i]) != Fold(s[i]) : t[at + i] != s[i]) return false;
  }
  return true;
}

// 0-based first match at a character start reached by stepping from from.
std::optional<std::size_t> ReferenceFind(const Text& t, const Text& s, std::size_t from,
                                         bool ignoreCase, Encoding encoding) {
  if (s.empty()) return std::nullopt;
  for (std::size_t i = from; i + s.size() <= t.size(); i += Step(t[i], encoding)) {
    if (SameAt(t, i, s, ignoreCase)) return i;
  }
  return std::nullopt;
}

int ReferenceFindText(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase,
                      Encoding encoding) {
  const std::size_t from = start && *start > 0 ? static_cast<std::size_t>(*start) - 1 : 0;
  const auto at = ReferenceFind(t, s, from, ignoreCase, encoding);
  return at ? static_cast<int>(*at) + 1 : -1;
}

Text ReferenceSubstitute(const Text& t, const Text& old, const Text& replacement,
                         std::optional<int> start, std::optional<int> count, bool caseSensitive,
                         Encoding encoding) {
  if (old.empty() || old.size() > t.size()) return t;
  if (start && (*start <= 0 || static_cast<std::size_t>(*start) > t.size() - old.size() + 1))
    return t;
  if (count && *count <= 0) return t;
  Text out = t.substr(0, start ? static_cast<std::size_t>(*start) - 1 : 0);
  std::size_t from = out.size();
  for (long long left = count.value_or(INT_MAX); left > 0; --left) {
    const auto at = ReferenceFind(t, old, from, !caseSensitive, encoding);
    if (!at) break;
    out += t.substr(from, *at - from) + replacement;
    from = *at + old.size();
  }
  return out + t.substr(from);
}

bool IsBareName(const Text& name) {
#ifdef _WIN32
  const bool hasColon = name.find(':') != Text::npos;
#else
  const bool hasColon = false;
#endif
  return !name.empty() && name != "." && name != ".." && !hasColon &&
         name.find_first_of("\\/") == Text::npos;
}

void CheckDesktopIni(const Text& content, const Text& otherName) {
  // From the first IconFile= to the end of the first .ico after it, or nothing.
  const Text name = PriorIconName(content);
  const int p = ReferenceFindText(content, "IconFile=", {}, false, kNarrowEncoding);
  const int q = ReferenceFindText(content, ".ico", {}, false, kNarrowEncoding);
  if (p == -1 || q < p) {
    Require(name.empty(), "prior icon name without IconFile= before .ico");
  } else {
    Require(EndsWith(name, ".ico"), "prior icon name does not end with .ico");
    Require(content.compare(p - 1, 9 + name.size(), "IconFile=" + name) == 0,
            "prior icon name does not follow the first IconFile=");
    Require(static_cast<int>(name.size()) == q + 3 - (p + 9) + 1, "prior icon name length");
  }

  const Text folder = "folder";
  for (const Text& candidate : {name, otherName}) {
    const Text path = PriorIconPath(folder, candidate);
    if (IsBareName(candidate)) {
      Require(path == folder + kPathSeparator + candidate, "bare name not joined to the folder");
    } else {
      Require(path.empty(), "a name that can leave the folder gave a path");
    }
  }

  // Read back what was written, for names that cannot be mistaken for more.
  if (EndsWith(otherName, ".ico") && otherName.find(".ico") == otherName.size() - 4 &&
      std::all_of(otherName.begin(), otherName.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    const Text ini = BuildIconIni(otherName);
    Require(ini.size() == 308 - 11 + otherName.size(), "desktop.ini has the wrong size");
    Require(PriorIconName(ini) == otherName, "written icon name not read back");
  }
}

void CheckOperations(const Text& t, const Text& s, const Text& replacement,
                     std::optional<int> start, std::optional<int> count, bool flag,
                     Encoding encoding) {
  const int found = FindText(t, s, start, flag, encoding);
  Require(found == ReferenceFindText(t, s, start, flag, encoding), "FindText differs");
  if (found != -1) {
    Require(SameAt(t, static_cast<std::size_t>(found) - 1, s, flag), "FindText without a match");
    Require(found >= start.value_or(1), "FindText before start");
  }

  const int last = FindLastText(t, s);
  const std::size_t rfind = s.empty() ? Text::npos : t.rfind(s);
  Require(last == (rfind == Text::npos ? -1 : static_cast<int>(rfind) + 1), "FindLastText differs");

  const Text substituted = SubstituteText(t, s, replacement, start, count, !flag, encoding);
  Require(substituted == ReferenceSubstitute(t, s, replacement, start, count, !flag, encoding),
          "SubstituteText differs");
  if (replacement.empty()) Require(substituted.size() <= t.size(), "removal grew the text");
  if (replacement == s && !flag) Require(substituted == t, "replacing with itself changed it");
  if (start && *start > 1 && static_cast<std::size_t>(*start) <= t.size()) {
    Require(StartsWith(substituted, t.substr(0, *start - 1)), "text before start changed");
  }

  const int a = start.value_or(1);
  const int n = count.value_or(INT_MAX);
  const Text mid = MidText(t, a, n);
  if (t.empty() || a < 1 || n < 1 || static_cast<std::size_t>(a) > t.size()) {
    Require(mid.empty(), "MidText out of range not empty");
  } else {
    const std::size_t rest = t.size() - (a - 1);
    Require(mid.size() == std::min<std::size_t>(rest, n), "MidText length");
    Require(t.compare(a - 1, mid.size(), mid) == 0, "MidText bytes");
  }

  const Text right = RightText(t, n);
  if (t.empty() || n < 1) {
    Require(right.empty(), "RightText out of range not empty");
  } else {
    Require(right.size() == std::min<std::size_t>(t.size(), n), "RightText length");
    Require(EndsWith(t, right), "RightText is not the end");
  }
}

std::optional<int> Position(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return std::nullopt;
    case 1:
      return in.ConsumeIntegral<int>();
    default:
      return in.ConsumeIntegralInRange(-2, 40);
  }
}

}  // namespace
}  // namespace fendrix

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fendrix;
  const Text whole = WithoutNul(Text(reinterpret_cast<const char*>(data), size));

  // Numbers come from the end of the input, texts from the front.
  FuzzedDataProvider in(data, size);
  const Encoding encoding = in.ConsumeBool() ? Encoding::Gbk : Encoding::Utf8;
  const bool flag = in.ConsumeBool();
  const std::optional<int> start = Position(in);
  const std::optional<int> count = Position(in);
  const Text s = WithoutNul(in.ConsumeRandomLengthString(24));
  const Text replacement = WithoutNul(in.ConsumeRandomLengthString(24));
  const Text t = WithoutNul(in.ConsumeRemainingBytesAsString());

  CheckDesktopIni(whole, s);
  for (Encoding e : {encoding, encoding == Encoding::Gbk ? Encoding::Utf8 : Encoding::Gbk}) {
    CheckOperations(t, s, replacement, start, count, flag, e);
    CheckOperations(whole, ".ico", s, start, count, flag, e);
  }
  return 0;
}
