#include "services/text.h"

#include <algorithm>
#include <chrono>

namespace fendrix {

namespace {

std::uint32_t g_randomState = 1;

unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

bool MatchesAt(const Text& t, std::size_t at, const Text& s, bool ignoreCase) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto a = static_cast<unsigned char>(t[at + i]);
    auto b = static_cast<unsigned char>(s[i]);
    if (ignoreCase ? AsciiLower(a) != AsciiLower(b) : a != b) return false;
  }
  return true;
}

// 0-based index of the first match at or after from, never starting inside a
// multi-byte character; npos when there is none.
std::size_t FindFrom(const Text& t, const Text& s, std::size_t from, bool ignoreCase,
                     Encoding encoding) {
  const std::size_t last = t.size() - s.size();
  for (std::size_t i = from; i <= last;) {
    if (MatchesAt(t, i, s, ignoreCase)) return i;
    i += CharacterLength(static_cast<unsigned char>(t[i]), encoding);
  }
  return Text::npos;
}

}  // namespace

int CharacterLength(unsigned char lead, Encoding encoding) {
  if (encoding == Encoding::Gbk) return lead >= 0x80 ? 2 : 1;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

int TextLength(const Text& t) { return static_cast<int>(t.size()); }

int FindText(const Text& t, const Text& s, std::optional<int> start, bool ignoreCase,
             Encoding encoding) {
  if (t.empty() || s.empty() || s.size() > t.size()) return -1;
  const std::size_t from = (!start || *start <= 0) ? 0 : static_cast<std::size_t>(*start) - 1;
  if (from > t.size() - s.size()) return -1;
  const std::size_t at = FindFrom(t, s, from, ignoreCase, encoding);
  return at == Text::npos ? -1 : static_cast<int>(at) + 1;
}

int FindLastText(const Text& t, const Text& s) {
  if (t.empty() || s.empty() || s.size() > t.size()) return -1;
  for (std::size_t i = t.size() - s.size() + 1; i-- > 0;) {
    if (MatchesAt(t, i, s, false)) return static_cast<int>(i) + 1;
  }
  return -1;
}

Text MidText(const Text& t, int start, int count) {
  if (t.empty() || count < 1 || start < 1 || start > TextLength(t)) return {};
  return t.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count));
}

Text RightText(const Text& t, int n) {
  if (t.empty() || n < 1) return {};
  if (n >= TextLength(t)) return t;
  return t.substr(t.size() - static_cast<std::size_t>(n));
}

Text SubstituteText(const Text& t, const Text& old, const Text& replacement,
                    std::optional<int> start, std::optional<int> count, bool caseSensitive,
                    Encoding encoding) {
  if (t.empty()) return {};
  if (old.empty() || old.size() > t.size()) return t;
  if (start && (*start <= 0 || static_cast<std::size_t>(*start) - 1 > t.size() - old.size()))
    return t;
  if (count && *count <= 0) return t;

  Text result;
  std::size_t copied = 0;
  std::size_t from = start ? static_cast<std::size_t>(*start) - 1 : 0;
  int left = count.value_or(-1);
  while (left != 0 && old.size() <= t.size() && from <= t.size() - old.size()) {
    const std::size_t at = FindFrom(t, old, from, !caseSensitive, encoding);
    if (at == Text::npos) break;
    result.append(t, copied, at - copied);
    result += replacement;
    copied = from = at + old.size();
    if (left > 0) --left;
  }
  result.append(t, copied, Text::npos);
  return result;
}

Text ToText(const ByteBuffer& buffer) {
  if (!buffer) return {};
  const auto end = std::find(buffer->begin(), buffer->end(), 0);
  return Text(buffer->begin(), end);
}

Text ToText(int number) { return std::to_string(number); }

ByteBuffer ToBytes(const Text& t) {
  if (t.empty()) return std::nullopt;
  return Bytes(t.begin(), t.end());
}

void SeedRandom(std::optional<std::uint32_t> seed) {
  if (seed) {
    g_randomState = *seed;
    return;
  }
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  g_randomState = static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

int RandomInRange(std::optional<int> low, std::optional<int> high) {
  std::int64_t lo = std::max(low.value_or(0), 0);
  std::int64_t hi = high ? std::max(*high, 0) : 2147483647;
  if (lo == hi) return static_cast<int>(lo);
  if (lo > hi) std::swap(lo, hi);
  const std::int64_t span = std::min<std::int64_t>(hi - lo, 2147483646);
  g_randomState = g_randomState * 214013u + 2531011u;
  const std::int64_t r = (g_randomState >> 16) & 0x7FFF;
  return static_cast<int>(lo + r % (span + 1));
}

}  // namespace fendrix
