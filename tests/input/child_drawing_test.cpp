// The drawing child: what it sends with a page and answers about its file,
// and how its failures are told.
#include "input/child_drawing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace {

constexpr int32_t kSide = 4;
// The address sanitizer reserves address space beyond any memory limit
// (GCC and clang tell of it differently).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryLimited = false;
#elif defined(__has_feature)
constexpr bool kMemoryLimited = !__has_feature(address_sanitizer);
#else
constexpr bool kMemoryLimited = true;
#endif

// A page of one grey, its number as the extra bytes; page 2 gives more
// extra bytes than the parent takes.
bool DrawGrey(int32_t page, int32_t, DrawnRows& drawn, std::string& extra, std::string&) {
  static std::vector<uint8_t> pixels(kSide * kSide * 3, 0x80);
  drawn = DrawnRows{kSide, kSide, pixels.data(), kSide * 3};
  extra = page == 2 ? std::string(kLargestChildExtraBytes + 1, 'x') : "page " + std::to_string(page);
  return true;
}

struct QuestionCase {
  const char* name;
  FileQuestion question;
  bool answered;
  std::string said;  // the answer, or the error
  bool limitsMemory = false;
};

TEST(DrawingChild, PagesBringTheirExtraBytesAndQuestionsTheirAnswers) {
  const DrawingLimits limits{1, 64};
  const QuestionCase cases[] = {
      {"an answer",
       [](std::string& answer, std::string&) {
         answer = "title and outline";
         return true;
       },
       true, "title and outline"},
      {"an empty answer",
       [](std::string& answer, std::string&) {
         answer.clear();
         return true;
       },
       true, ""},
      {"a refusal",
       [](std::string&, std::string& error) {
         error = "has no outline";
         return false;
       },
       false, "has no outline"},
      {"a crash", [](std::string&, std::string&) -> bool { std::abort(); }, false,
       "is damaged (reading it ended in Aborted)"},
      {"too much memory",
       [](std::string& answer, std::string&) {
         answer.assign(size_t{1} << 30, 'm');
         return true;
       },
       false, "needs more than 64 MiB of memory to read (raise the limit with --pdf-memory)", true},
      {"no end",
       [](std::string&, std::string&) {
         for (volatile bool forever = true; forever;) {
         }
         return true;
       },
       false, "took longer than 1 s to read (raise the limit with --pdf-timeout)"},
      {"more than the parent takes",
       [](std::string& answer, std::string&) {
         answer.assign(kLargestChildExtraBytes + 1, 'x');
         return true;
       },
       false, "cannot be read"},
  };
  for (const QuestionCase& test : cases) {
    if (test.limitsMemory && !kMemoryLimited) continue;
    SCOPED_TRACE(test.name);
    DrawingChild child(DrawGrey, test.question);
    std::string said, error;
    EXPECT_EQ(child.Ask(limits, said, error), test.answered);
    EXPECT_EQ(test.answered ? said : error, test.said);
    // Pages before and after, from the same child or one started anew.
    for (const int32_t page : {1, 3}) {
      PageImage image;
      std::string extra;
      ASSERT_TRUE(child.Draw(page, 72, limits, kSide * kSide, image, extra, error)) << error;
      EXPECT_EQ(image.rgb, std::vector<uint8_t>(kSide * kSide * 3, 0x80));
      EXPECT_EQ(extra, "page " + std::to_string(page));
    }
    PageImage image;
    std::string extra = "left over";
    EXPECT_FALSE(child.Draw(2, 72, limits, kSide * kSide, image, extra, error));
    EXPECT_EQ(error, "is damaged (it cannot be drawn)");
    EXPECT_EQ(extra, "");
  }
}

}  // namespace
