#include "viewer/windows/texts.h"

#include <gtest/gtest.h>

namespace {

TEST(Texts, GoToPageReadsFourCharactersAsANumber) {
  const std::pair<const char*, int32_t> cases[] = {{"7", 7},   {"", 0},     {"12345", 1234}, {" 3x", 3},    {"-5", -5},
                                                   {"abc", 0}, {"\t42", 42}, {"    7", 0},    {"   7", 7}};
  for (const auto& [typed, number] : cases) EXPECT_EQ(PageNumberFromText(typed), number) << '"' << typed << '"';
}

}  // namespace
