#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <iconv.h>
#endif

#include "fendrix_config.h"
#include "tool/texts.h"

namespace fendrix {
namespace {

// The byte length users' consoles get: on Windows the literals already are
// GBK; elsewhere they are UTF-8 and converted here.
std::size_t GbkLength(const std::string& text) {
#ifdef _WIN32
  return text.size();
#else
  iconv_t convert = iconv_open("GBK", "UTF-8");
  EXPECT_NE(convert, reinterpret_cast<iconv_t>(-1));
  std::string in = text;
  std::string out(text.size() * 2, '\0');
  char* from = in.data();
  char* to = out.data();
  std::size_t fromLeft = in.size();
  std::size_t toLeft = out.size();
  EXPECT_NE(iconv(convert, &from, &fromLeft, &to, &toLeft), static_cast<std::size_t>(-1)) << text;
  iconv_close(convert);
  return out.size() - toLeft;
#endif
}

TEST(Texts, HaveTheirGbkLengths) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t length;
  };
  const Case cases[] = {
      {"welcome", texts::kGreetingWelcome, 47},
      {"purpose", texts::kGreetingPurpose, 76},
      {"enter", texts::kGreetingEnter, 52},
      {"rule", texts::kGreetingRule, 76},
      {"prompt", texts::kPrompt, 21},
      {"no such choice", texts::kNoSuchChoice, 14},
      {"set heading", texts::kSetHeading, 39},
      {"set folder title", texts::kSetFolderTitle, 31},
      {"no folder", texts::kNoFolder, 18},
      {"folder name is", texts::kFolderNameIs, 37},
      {"pick icon pause", texts::kPickIconPause, 60},
      {"icon title", texts::kIconTitle, 41},
      {"no icon", texts::kNoIcon, 14},
      {"not an icon", texts::kNotAnIcon, 28},
      {"icon is", texts::kIconIs, 22},
      {"ready pause", texts::kReadyPause, 56},
      {"set done", texts::kSetDone, 57},
      {"try again", texts::kTryAgain, 42},
      {"remove folder title", texts::kRemoveFolderTitle, 27},
      {"remove done", texts::kRemoveDone, 39},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GbkLength(c.text), c.length);
  }
}

TEST(Texts, GreetingCarriesTheNineDigitContact) {
  const std::string welcome = texts::kGreetingWelcome;
  const std::string contact = FENDRIX_CONTACT;
  ASSERT_EQ(contact.size(), 9u);
  EXPECT_EQ(welcome.substr(welcome.size() - 11), contact + "\r\n");
  EXPECT_EQ(std::string(texts::kGreetingRule), std::string(74, '-') + "\r\n");
}

}  // namespace
}  // namespace fendrix
