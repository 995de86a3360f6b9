#include "services/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

namespace fendrix {
namespace {

// Byte escapes throughout, so the expectations do not depend on the source or
// execution character set. "\x95\x5C" is a GBK character whose second byte is
// a backslash; 0x95 alone is a stray continuation byte in UTF-8.
constexpr Encoding kGbk = Encoding::Gbk;
constexpr Encoding kUtf8 = Encoding::Utf8;

const char* Name(Encoding encoding) { return encoding == kGbk ? "GBK" : "UTF-8"; }

TEST(CharacterLength, FollowsTheLeadByte) {
  struct Case {
    unsigned char lead;
    int gbk;
    int utf8;
  };
  const Case cases[] = {
      {0x41, 1, 1}, {0x7F, 1, 1}, {0x80, 2, 1}, {0x95, 2, 1}, {0xBF, 2, 1}, {0xC3, 2, 2},
      {0xDF, 2, 2}, {0xE4, 2, 3}, {0xEF, 2, 3}, {0xF0, 2, 4}, {0xF7, 2, 4}, {0xFF, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.lead));
    EXPECT_EQ(CharacterLength(c.lead, kGbk), c.gbk);
    EXPECT_EQ(CharacterLength(c.lead, kUtf8), c.utf8);
  }
}

TEST(FindText, FindsTheFirstMatchAtOrAfterStart) {
  struct Case {
    const char* what;
    Text t;
    Text s;
    std::optional<int> start;
    int found;
  };
  const Case cases[] = {
      {"no start", "abcabc", "bc", {}, 2},
      {"start at a match", "abcabc", "bc", 2, 2},
      {"start past the first", "abcabc", "bc", 3, 5},
      {"start zero means one", "abcabc", "bc", 0, 2},
      {"negative start means one", "abcabc", "bc", -7, 2},
      {"start at the last possible place", "abcabc", "bc", 5, 5},
      {"start beyond the last possible place", "abcabc", "bc", 6, -1},
      {"start beyond the end", "abcabc", "c", 7, -1},
      {"start far beyond the end", "abcabc", "c", INT_MAX, -1},
      {"whole text", "abc", "abc", {}, 1},
      {"partial match at the end", "abcab", "abc", 2, -1},
      {"no match", "abcabc", "x", {}, -1},
      {"empty text", "", "a", {}, -1},
      {"empty search", "abc", "", {}, -1},
      {"search longer", "ab", "abc", {}, -1},
      {"case matters", "Desktop.INI", "desktop.ini", {}, -1},
  };
  for (const Case& c : cases) {
    for (Encoding encoding : {kGbk, kUtf8}) {
      SCOPED_TRACE(testing::Message() << c.what << ", " << Name(encoding));
      EXPECT_EQ(FindText(c.t, c.s, c.start, false, encoding), c.found);
    }
  }
}

TEST(FindText, NeverStartsInsideAMultiByteCharacter) {
  struct Case {
    const char* what;
    Text t;
    Text s;
    std::optional<int> start;
    Encoding encoding;
    int found;
  };
  const Case cases[] = {
      {"after a double-byte character", "\xD6\xD0x.ico", ".ico", {}, kGbk, 4},
      {"after a double-byte character", "\xD6\xD0x.ico", ".ico", {}, kUtf8, 4},
      {"0x5C second byte is no backslash", Text("\xD6\x5C") + "abc", "\\", {}, kGbk, -1},
      {"0x5C second byte, then a backslash", "\xD6\x5C\\", "\\", {}, kGbk, 3},
      {"0x95 leads in GBK", "\x95\x5C\\", "\\", {}, kGbk, 3},
      {"0x95 is a stray byte in UTF-8", "\x95\x5C\\", "\\", {}, kUtf8, 2},
      {"double-byte character itself", Text("a\xD6\xD0") + "b", "\xD6\xD0", {}, kGbk, 2},
      {"pair across two characters", "\xB0\xA1\xB0\xA1", "\xA1\xB0", {}, kGbk, -1},
      {"3-byte character before .ico", "\xE4\xB8\xAD.ico", ".ico", {}, kUtf8, 4},
      // Read as GBK, the third byte leads a pair that swallows the dot.
      {"3-byte character before .ico", "\xE4\xB8\xAD.ico", ".ico", {}, kGbk, -1},
      {"3-byte character before ico", "\xE4\xB8\xAD.ico", "ico", {}, kGbk, 5},
      {"lead of 3 steps three", "\xE4\\\\\\", "\\", {}, kUtf8, 4},
      {"lead of 3 steps two in GBK", "\xE4\\\\\\", "\\", {}, kGbk, 3},
      {"lead of 4 steps four", "\xF0\\\\\\\\", "\\", {}, kUtf8, 5},
      {"lead of 2 steps two", "\xC3\\\\", "\\", {}, kUtf8, 3},
      {"invalid lead steps one", "\xF8\\", "\\", {}, kUtf8, 2},
      {"start after the character", "\xD6\x5C\\\xD6\x5C\\", "\\", 4, kGbk, 6},
      {"character cut at the end", "ab\xE4", "\xE4", {}, kUtf8, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what << ", " << Name(c.encoding));
    EXPECT_EQ(FindText(c.t, c.s, c.start, false, c.encoding), c.found);
  }
}

TEST(FindText, IgnoresCaseOfAsciiLettersOnly) {
  struct Case {
    Text t;
    Text s;
    int found;
  };
  const Case cases[] = {
      {"Desktop.INI", "desktop.ini", 1},
      {"x.IcO", ".ico", 2},
      {"ICONFILE=", "IconFile=", 1},
      {"[", "{", -1},                // 0x5B and 0x7B differ by 0x20 but are no letters
      {"@", "`", -1},                //
      {"\xC3\x84", "\xC3\xA4", -1},  // UTF-8 A and a with diaeresis
      {"\xA3\xC1", "\xA3\xE1", -1},  // GBK full-width A and a
      {Text("\xD6\xD0") + "A", "a", 3},
  };
  for (const Case& c : cases) {
    for (Encoding encoding : {kGbk, kUtf8}) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(c.t) << ", " << Name(encoding));
      EXPECT_EQ(FindText(c.t, c.s, {}, true, encoding), c.found);
    }
  }
}

TEST(FindLastText, ScansBackByteByByte) {
  struct Case {
    const char* what;
    Text t;
    Text s;
    int found;
  };
  const Case cases[] = {
      {"last of two", "abcabc", "bc", 5},
      {"at the very end", "abc.ico", ".ico", 4},
      {"at the start", "abc", "ab", 1},
      {"whole text", "abc", "abc", 1},
      {"overlapping matches", "aaa", "aa", 2},
      // Unlike FindText, a GBK second byte counts.
      {"0x5C second byte", "\xD6\x5Cx", "\\", 2},
      {"case matters", "ABC", "abc", -1},
      {"no match", "abc", "x", -1},
      {"empty text", "", "a", -1},
      {"empty search", "abc", "", -1},
      {"search longer", "ab", "abc", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FindLastText(c.t, c.s), c.found);
  }
}

TEST(MidText, TakesCountBytesFromStartCutAtTheEnd) {
  struct Case {
    Text t;
    int start;
    int count;
    Text mid;
  };
  const Text nine = "123456789";
  const Case cases[] = {
      {nine, 2, 3, "234"},
      {nine, 1, 9, nine},
      {nine, 8, 3, "89"},  // past the end
      {nine, 9, 1, "9"},
      {nine, 1, INT_MAX, nine},
      {nine, 9, INT_MAX, "9"},
      {nine, 10, 1, ""},
      {nine, INT_MAX, 1, ""},
      {nine, 0, 3, ""},
      {nine, -1, 3, ""},
      {nine, INT_MIN, 3, ""},
      {nine, 3, 0, ""},
      {nine, 3, -2, ""},
      {"", 1, 1, ""},
      {Text("a\xD6\xD0") + "b", 3, 2, Text("\xD0") + "b"},  // bytes, not characters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.t << " from " << c.start << " count " << c.count);
    EXPECT_EQ(MidText(c.t, c.start, c.count), c.mid);
  }
}

TEST(RightText, TakesTheLastBytes) {
  struct Case {
    Text t;
    int n;
    Text right;
  };
  const Case cases[] = {
      {"abc", 2, "bc"},         {"abc", 1, "c"},         {"abc", 3, "abc"},
      {"abc", 4, "abc"},        {"abc", INT_MAX, "abc"}, {"abc", 0, ""},
      {"abc", -1, ""},          {"abc", INT_MIN, ""},    {"", 2, ""},
      {"a\xD6\xD0", 1, "\xD0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.t << ", " << c.n);
    EXPECT_EQ(RightText(c.t, c.n), c.right);
  }
}

TEST(SubstituteText, ReplacesFromStartUpToCount) {
  struct Case {
    const char* what;
    Text t;
    Text old;
    Text replacement;
    std::optional<int> start;
    std::optional<int> count;
    Text result;
  };
  const Case cases[] = {
      {"every match", "a-b-c-d", "-", "+", {}, {}, "a+b+c+d"},
      {"removal", "a-b-c-d", "-", "", {}, {}, "abcd"},
      {"longer replacement", "a-b", "-", "<->", {}, {}, "a<->b"},
      {"whole text", "abc", "abc", "", {}, {}, ""},
      {"from start", "a-b-c-d", "-", "+", 3, {}, "a-b+c+d"},
      {"start at a match", "a-b-c-d", "-", "+", 4, {}, "a-b+c+d"},
      {"start at the last possible place", "ab-", "-", "+", 3, {}, "ab+"},
      {"start one", "-a", "-", "+", 1, {}, "+a"},
      {"start zero leaves it", "a-b", "-", "+", 0, {}, "a-b"},
      {"negative start leaves it", "a-b", "-", "+", -1, {}, "a-b"},
      {"start beyond the last possible place", "a-b", "-", "+", 4, {}, "a-b"},
      {"start beyond with a long old", "ab--", "--", "+", 4, {}, "ab--"},
      {"start far beyond", "a-b", "-", "+", INT_MAX, {}, "a-b"},
      {"count one", "a-b-c-d", "-", "+", {}, 1, "a+b-c-d"},
      {"count two", "a-b-c-d", "-", "+", {}, 2, "a+b+c-d"},
      {"count above the matches", "a-b-c-d", "-", "+", {}, 10, "a+b+c+d"},
      {"count zero leaves it", "a-b", "-", "+", {}, 0, "a-b"},
      {"negative count leaves it", "a-b", "-", "+", {}, -1, "a-b"},
      {"start and count", "a-b-c-d", "-", "+", 3, 1, "a-b+c-d"},
      {"no overlap", "aaa", "aa", "b", {}, {}, "ba"},
      {"no overlap, twice", "aaaaa", "aa", "b", {}, {}, "bba"},
      {"replacement holding old is not rescanned", "a.a", "a", "aa", {}, {}, "aa.aa"},
      {"replacement holding old, counted", "aaa", "a", "aa", {}, 2, "aaaaa"},
      {"no match", "abc", "x", "+", {}, {}, "abc"},
      {"empty old", "abc", "", "+", {}, {}, "abc"},
      {"old longer", "ab", "abc", "+", {}, {}, "ab"},
      {"empty text", "", "a", "+", {}, {}, ""},
      {"empty text, empty old", "", "", "+", {}, {}, ""},
      {"case matters", "x.ICO", ".ico", ".png", {}, {}, "x.ICO"},
      {"double-byte before", "\xD6\xD0-\xD6\xD0-", "-", "+", {}, {}, "\xD6\xD0+\xD6\xD0+"},
  };
  for (const Case& c : cases) {
    for (Encoding encoding : {kGbk, kUtf8}) {
      SCOPED_TRACE(testing::Message() << c.what << ", " << Name(encoding));
      EXPECT_EQ(SubstituteText(c.t, c.old, c.replacement, c.start, c.count, true, encoding),
                c.result);
    }
  }
}

TEST(SubstituteText, StepsOverMultiByteCharactersAndCanIgnoreCase) {
  struct Case {
    const char* what;
    Text t;
    Text old;
    Text replacement;
    bool caseSensitive;
    Encoding encoding;
    Text result;
  };
  const Case cases[] = {
      {"0x5C second byte kept", "\\\x95\x5C\\", "\\", "/", true, kGbk, "/\x95\x5C/"},
      {"0x5C after a stray byte", "\\\x95\x5C\\", "\\", "/", true, kUtf8, "/\x95//"},
      {"after a replacement", "--\xD6\x5C\\", "-", "", true, kGbk, "\xD6\x5C\\"},
      {"3-byte character before .ico", "\xE4\xB8\xAD.ico", ".ico", ".png", true, kUtf8,
       "\xE4\xB8\xAD.png"},
      {"3-byte character read as GBK", "\xE4\xB8\xAD.ico", ".ico", ".png", true, kGbk,
       "\xE4\xB8\xAD.ico"},
      {"ignoring case", "a.ICO.Ico", ".ico", ".png", false, kGbk, "a.png.png"},
      {"ignoring case", "a.ICO.Ico", ".ico", ".png", false, kUtf8, "a.png.png"},
      {"ignoring case, ASCII only", "\xA3\xC1", "\xA3\xE1", "x", false, kGbk, "\xA3\xC1"},
      {"ignoring case, no letters", "[{", "{", "x", false, kUtf8, "[x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what << ", " << Name(c.encoding));
    EXPECT_EQ(SubstituteText(c.t, c.old, c.replacement, {}, {}, c.caseSensitive, c.encoding),
              c.result);
  }
}

TEST(SubstituteText, OmittedReplacementRemoves) {
  EXPECT_EQ(SubstituteText("a#b#c", "#"), "abc");
  EXPECT_EQ(SubstituteText("a#b#c", "#", "+", 2), "a+b+c");
  EXPECT_EQ(SubstituteText("a#b#c", "#", "+", {}, 1), "a+b#c");
}

TEST(ToText, TakesBytesUpToTheFirstNul) {
  struct Case {
    const char* what;
    ByteBuffer buffer;
    Text text;
  };
  const Case cases[] = {
      {"absent", std::nullopt, ""},     {"empty", Bytes{}, ""},
      {"plain", Bytes{'a', 'b'}, "ab"}, {"stops at a NUL", Bytes{'a', 'b', 0, 'c'}, "ab"},
      {"NUL first", Bytes{0, 'a'}, ""}, {"high bytes", Bytes{0xD6, 0xD0, 0xFF}, "\xD6\xD0\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToText(c.buffer), c.text);
  }
}

TEST(ToText, WritesDecimalNumbers) {
  struct Case {
    int number;
    Text text;
  };
  const Case cases[] = {
      {0, "0"},
      {7, "7"},
      {1234567, "1234567"},
      {-1, "-1"},
      {-305, "-305"},
      {INT_MAX, "2147483647"},
      {INT_MIN, "-2147483648"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(ToText(c.number), c.text);
  }
}

TEST(ToBytes, GivesTheBytesWithoutNulAndNothingForEmpty) {
  EXPECT_EQ(ToBytes(""), std::nullopt);
  EXPECT_EQ(ToBytes("ab"), (Bytes{'a', 'b'}));
  EXPECT_EQ(ToBytes("\xD6\xD0\xFF"), (Bytes{0xD6, 0xD0, 0xFF}));
  EXPECT_EQ(ToText(ToBytes("IconFile=\r\n")), "IconFile=\r\n");
}

// Expected values worked out by hand from state = state * 214013 + 2531011
// (mod 2^32) and r = bits 16..30 of the new state.
TEST(RandomInRange, FollowsTheGeneratorFromTheSeed) {
  struct Case {
    std::uint32_t seed;
    std::optional<int> low;
    std::optional<int> high;
    int value;
  };
  const Case cases[] = {
      {0, 1111111, 999999999, 1111149},           // state 2531011, r 38
      {1, 1111111, 999999999, 1111152},           // r 41
      {12345, 1111111, 999999999, 1118695},       // r 7584
      {0xFFFFFFFF, 1111111, 999999999, 1111146},  // state wraps to 2316998, r 35
      {0, 999999999, 1111111, 1111149},           // order does not matter
      {12345, {}, 100, 9},                        // 7584 % 101
      {12345, 1000, {}, 8584},                    // high omitted: 2147483647
      {12345, {}, {}, 7584},
      {12345, 0, INT_MAX, 7584},  // span capped, no overflow
      {0, -5, 10, 5},             // low taken as 0: 38 % 11
      {0, 7, -3, 6},              // high taken as 0: 38 % 8
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "seed " << c.seed);
    SeedRandom(c.seed);
    EXPECT_EQ(RandomInRange(c.low, c.high), c.value);
  }
}

TEST(RandomInRange, ContinuesTheSequenceAndSkipsItForAnEmptyRange) {
  SeedRandom(0);
  EXPECT_EQ(RandomInRange(1111111, 999999999), 1111149);
  EXPECT_EQ(RandomInRange(7, 7), 7);  // leaves the state alone
  EXPECT_EQ(RandomInRange(-4, -9), 0);
  EXPECT_EQ(RandomInRange(1111111, 999999999), 1118830);  // r 7719
  EXPECT_EQ(RandomInRange(1111111, 999999999), 1132349);  // r 21238
}

TEST(RandomInRange, IconNamesStayWithinFifteenBitsOfTheLow) {
  for (std::uint32_t seed = 0; seed < 2000; seed += 7) {
    SeedRandom(seed);
    for (int i = 0; i < 8; ++i) {
      const int value = RandomInRange(1111111, 999999999);
      ASSERT_GE(value, 1111111) << "seed " << seed;
      ASSERT_LE(value, 1143878) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace fendrix
