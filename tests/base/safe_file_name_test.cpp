#include "base/safe_file_name.h"

#include <gtest/gtest.h>

#include "base/text_encoding.h"

namespace youran {
namespace {

TEST(SafeFileName, NamesStayOneValidComponent) {
  struct Case {
    std::string_view name;
    const char* safe;
  };
  const Case cases[] = {
      {"林小雨-晨光", "林小雨-晨光.lrc"},
      {"../../etc/passwd", ".._.._etc_passwd.lrc"},
      {"..", "_.lrc"},
      {".", "_.lrc"},
      {"", "_.lrc"},
      {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h.lrc"},
      {"tab\there\r\n", "tab_here__.lrc"},
      {"bad \xFF\xFE utf8", "bad __ utf8.lrc"},
      {"ends with dots.. ", "ends with dots.lrc"},
  };
  for (const auto& c : cases) EXPECT_EQ(safeFileName(c.name, ".lrc"), c.safe) << c.name;

  // Cut on a character boundary so that name, suffix and what the caller
  // reserves fit 255 bytes.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "歌";
  const std::string cut = safeFileName(wide, ".lrc", 1);
  EXPECT_LE(cut.size() + 1, 255u);
  EXPECT_GT(cut.size() + 1, 250u);
  EXPECT_TRUE(isValidUtf8(cut));
  EXPECT_EQ(safeFileName(std::string(300, 'a')).size(), 255u);
}

}  // namespace
}  // namespace youran
