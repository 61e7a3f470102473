// Code-page-936 text against UTF-16: the byte vectors that the rest of the
// program relies on, round trips, and what happens to bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "extract/text_conversion.h"

namespace {

// "41 00 2D 4E" -> bytes.
Bytes Hex(const char* hex) {
  Bytes out;
  unsigned value;
  int used;
  while (std::sscanf(hex, " %2x%n", &value, &used) == 1) {
    out.push_back(static_cast<uint8_t>(value));
    hex += used;
  }
  return out;
}

std::string ToHex(const Bytes& b) {
  std::string s;
  char part[4];
  for (uint8_t v : b) {
    std::snprintf(part, sizeof part, s.empty() ? "%02X" : " %02X", v);
    s += part;
  }
  return s;
}

Text GbkText(const char* hex) {
  Bytes b = Hex(hex);
  return Text(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

const Text kAbsent;

TEST(TextConversion, GbkToUnicodeByteVectors) {
  struct {
    const char* name;
    Text text;
    bool dropTerminatorEx;
    const char* unicode;    // GbkToUnicode
    const char* unicodeEx;  // GbkToUnicodeEx with dropTerminatorEx
  } cases[] = {
      {"absent", kAbsent, false, "", ""},
      {"absent, drop", kAbsent, true, "", ""},
      {"empty", Text(""), false, "00 00", ""},
      {"empty, drop", Text(""), true, "00 00", ""},
      {"A", GbkText("41"), false, "41 00 00 00", "41 00 00 00"},
      {"A, drop", GbkText("41"), true, "41 00 00 00", "41 00"},
      {"U+4E2D", GbkText("D6 D0"), false, "2D 4E 00 00", "2D 4E 00 00"},
      {"U+4E2D, drop", GbkText("D6 D0"), true, "2D 4E 00 00", "2D 4E"},
      {"GBK extension U+4E02", GbkText("81 40 61"), true, "02 4E 61 00 00 00", "02 4E 61 00"},
      {"CR LF", GbkText("0D 0A"), false, "0D 00 0A 00 00 00", "0D 00 0A 00 00 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToHex(GbkToUnicode(c.text)), c.unicode);
    EXPECT_EQ(ToHex(GbkToUnicodeEx(c.text, c.dropTerminatorEx)), c.unicodeEx);
    // The subject's string holds the same units as GbkToUnicodeEx with the
    // terminator dropped.
    BSTR s = GbkToUnicodeString(c.text);
    ASSERT_NE(s, nullptr);
    Bytes units(reinterpret_cast<const uint8_t*>(s),
                reinterpret_cast<const uint8_t*>(s) + SysStringByteLen(s));
    EXPECT_EQ(units, GbkToUnicodeEx(c.text, true));
    SysFreeString(s);
  }
  // The flag is false when left out.
  EXPECT_EQ(ToHex(GbkToUnicodeEx(GbkText("41"))), "41 00 00 00");
}

TEST(TextConversion, UnicodeToGbkByteVectors) {
  struct {
    const char* utf16;
    const char* gbk;
  } cases[] = {
      {"2D 4E", "D6 D0"},
      {"2D 4E 00 00", "D6 D0"},
      {"41 00 00 00 42 00", "41"},  // a zero unit ends the text
      {"00 00 42 00", ""},
      {"41 00 42", "41"},           // the odd trailing byte is not converted
      {"41", ""},
      {"", ""},
      {"87 65 2C 67 0D 00 0A 00", "CE C4 B1 BE 0D 0A"},  // 文本 CR LF
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf16);
    Text text = UnicodeToGbk(Hex(c.utf16));
    EXPECT_EQ(ToHex(TextToBytes(text)), c.gbk);
    EXPECT_FALSE(text.IsAbsent());
  }
}

TEST(TextConversion, RoundTripsOfAsciiAndChinese) {
  std::string ascii;
  for (int c = 1; c < 128; ++c) ascii.push_back(static_cast<char>(c));
  const Text texts[] = {
      Text(std::string_view(ascii)),
      Text("前索引：后索引：提取导出"),
      Text("<a href=\"http://例子.cn/页面?id=1\">链接</a>\r\n第二行\n"),
      GbkText("81 40 FE 4F A1 A1 A9 A4"),  // GBK extension and symbol rows
      Text(std::string(100000, 'x') + "尾"),
  };
  for (const Text& t : texts) {
    SCOPED_TRACE(t.Length());
    EXPECT_EQ(UnicodeToGbk(GbkToUnicode(t)), t);
    EXPECT_EQ(UnicodeToGbk(GbkToUnicodeEx(t, true)), t);
    // One unit per character: every character of these texts is in the BMP.
    EXPECT_EQ(GbkToUnicodeEx(t, true).size() % 2, 0u);
  }
}

// Bytes that are not code page 936 are substituted, never reported, and the
// text around them survives.
TEST(TextConversion, InvalidSequencesAreSubstituted) {
  const char* cases[] = {
      "41 FF 42",     // 0xFF is no lead byte
      "41 81 7F 42",  // 0x7F is no trail byte
  };
  for (const char* hex : cases) {
    SCOPED_TRACE(hex);
    Bytes utf16 = GbkToUnicode(GbkText(hex));
    ASSERT_GE(utf16.size(), 8u);
    EXPECT_EQ(utf16[0], 0x41);
    EXPECT_EQ(utf16[1], 0x00);
    const size_t n = utf16.size();
    EXPECT_EQ(ToHex(Bytes(utf16.begin() + n - 4, utf16.end())), "42 00 00 00");
    for (size_t i = 2; i + 4 < n; i += 2) {
      EXPECT_FALSE(utf16[i] == 0 && utf16[i + 1] == 0) << "no zero unit in the middle";
    }
  }
  // A lead byte at the very end has no trail byte: substituted as well.
  Bytes lone = GbkToUnicode(GbkText("41 D6"));
  ASSERT_GE(lone.size(), 6u);
  EXPECT_EQ(ToHex(Bytes(lone.begin(), lone.begin() + 2)), "41 00");
  EXPECT_EQ(ToHex(Bytes(lone.end() - 2, lone.end())), "00 00");
  // A character without a mapping becomes the default character.
  EXPECT_EQ(UnicodeToGbk(Hex("41 00 00 AC 42 00")), Text("A?B"));  // U+AC00, a Hangul syllable
}

TEST(TextHelpers, LengthJoinCompare) {
  EXPECT_EQ(TextLength(kAbsent), 0u);
  EXPECT_EQ(TextLength(Text("")), 0u);
  EXPECT_EQ(TextLength(Text("中a")), 3u);

  Text joined = JoinText({kAbsent, kAbsent, kAbsent});
  EXPECT_FALSE(joined.IsAbsent());
  EXPECT_EQ(joined, Text(""));
  EXPECT_EQ(JoinText({Text("a"), kAbsent, Text("b")}), Text("ab"));
  EXPECT_EQ(JoinText({Text("<b>"), Text("(.+?)"), Text("</b>")}), Text("<b>(.+?)</b>"));
  EXPECT_EQ(JoinText({Text("前")}), Text("前"));

  struct {
    Text a, b;
    int expected;
  } cases[] = {
      {kAbsent, Text(""), 0},
      {Text(""), kAbsent, 0},
      {Text(""), Text("0"), -1},
      {Text("ab"), Text("a"), 1},
      {Text("a"), Text("ab"), -1},
      {Text("abc"), Text("abc"), 0},
      {GbkText("80"), Text("z"), 1},  // bytes compare unsigned
      {Text("A"), Text("a"), -1},     // no case folding
      {Text("中"), Text("中"), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToHex(TextToBytes(c.a)) + " vs " + ToHex(TextToBytes(c.b)));
    EXPECT_EQ(CompareText(c.a, c.b), c.expected);
  }
}

}  // namespace
