#include "base/safe_file_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text_encoding.h"
#include "support/temp_folder.h"

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

  // Cut on a character boundary so that name, suffix, what the caller
  // reserves and every companion (a download's ".tmp", the atomic writer's
  // temporary) fit 255 bytes: made on disk, as the file system judges.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "歌";
  const std::string cut = safeFileName(wide, ".lrc", 1);
  EXPECT_LE(cut.size() + 1 + kCompanionRoom, 255u);
  EXPECT_GT(cut.size() + 1 + kCompanionRoom, 250u);
  EXPECT_TRUE(isValidUtf8(cut));
  EXPECT_EQ(safeFileName(std::string(300, 'a')).size(), 255u - kCompanionRoom);
  const std::string song = safeFileName(wide, ".mp3");
  const std::string companions[] = {song + ".tmp", "." + song + ".tmp4194304-4294967295"};
  testing::TempFolder folder;
  for (const auto& name : companions) {
    EXPECT_LE(name.size(), 255u) << name;
    EXPECT_TRUE(std::filesystem::exists(folder.write(name, "x"))) << name;
  }
}

}  // namespace
}  // namespace youran
