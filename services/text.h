// Text and number services: byte strings in the platform's narrow encoding,
// 1-based positions, -1 for "not found". Portable; no platform file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fendrix {

// An absent Text and an empty one are the same value, so std::string serves;
// a Text never holds a NUL byte.
using Text = std::string;
using Bytes = std::vector<unsigned char>;
// Absent when a file could not be read at all; present and empty for an empty file.
using ByteBuffer = std::optional<Bytes>;

// How the search operations step over multi-byte characters.
enum class Encoding { Gbk, Utf8 };
#ifdef _WIN32
inline constexpr Encoding kNarrowEncoding = Encoding::Gbk;
#else
inline constexpr Encoding kNarrowEncoding = Encoding::Utf8;
#endif

// Bytes taken by the character starting with lead (1 for ASCII and for stray bytes).
int CharacterLength(unsigned char lead, Encoding encoding = kNarrowEncoding);

int TextLength(const Text& t);
int FindText(const Text& t, const Text& s, std::optional<int> start = {}, bool ignoreCase = false,
             Encoding encoding = kNarrowEncoding);
int FindLastText(const Text& t, const Text& s);
Text MidText(const Text& t, int start, int count);
Text RightText(const Text& t, int n);
Text SubstituteText(const Text& t, const Text& old, const Text& replacement = {},
                    std::optional<int> start = {}, std::optional<int> count = {},
                    bool caseSensitive = true, Encoding encoding = kNarrowEncoding);

Text ToText(const ByteBuffer& buffer);
Text ToText(int number);
ByteBuffer ToBytes(const Text& t);

// Omitting the seed seeds with the tick count (milliseconds since start-up).
void SeedRandom(std::optional<std::uint32_t> seed = {});
int RandomInRange(std::optional<int> low = {}, std::optional<int> high = {});

}  // namespace fendrix
