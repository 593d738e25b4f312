// youranmusic-cli blur, run as a user would.
#include <gtest/gtest.h>

#include <QImage>

#include "support/temp_folder.h"
#include "visuals/stack_blur.h"

namespace youran {
namespace {

const std::string kCli = YOURAN_CLI_PATH;

QImage sample() {
  QImage image(40, 30, QImage::Format_ARGB32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) image.setPixel(x, y, qRgba(x * 6, y * 8, (x * y) % 256, 255 - x));
  return image;
}

int blur(const std::string& arguments) { return testing::runCommand(kCli + " blur " + arguments + " 2>/dev/null"); }

TEST(BlurCli, WritesThePngTheBlurMakes) {
  testing::TempFolder folder;
  for (const char* format : {"PNG", "BMP", "JPEG"}) {
    const auto in = folder / (std::string("in.") + format);
    const auto out = folder / (std::string("out-") + format + ".png");
    ASSERT_TRUE(sample().save(QString::fromStdString(in.string()), format));
    ASSERT_EQ(blur(testing::shellQuote(in.string()) + " " + testing::shellQuote(out.string()) + " --radius 5 --threads 2"), 0)
        << format;
    QImage expected = QImage(QString::fromStdString(in.string())).convertToFormat(QImage::Format_ARGB32);
    stackBlur(reinterpret_cast<uint32_t*>(expected.bits()), expected.width(), expected.height(), 5);
    const QImage written = QImage(QString::fromStdString(out.string())).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(written, expected) << format;
  }
}

TEST(BlurCli, RefusesWhatItCannotDo) {
  testing::TempFolder folder;
  const auto junk = folder.write("junk.png", "no picture");
  const std::string out = testing::shellQuote((folder / "out.png").string());
  EXPECT_EQ(blur(testing::shellQuote(junk.string()) + " " + out + " --radius 3"), 1);
  EXPECT_EQ(blur(testing::shellQuote((folder / "missing.png").string()) + " " + out + " --radius 3"), 1);
  EXPECT_EQ(blur(testing::shellQuote(junk.string()) + " " + out), 2) << "no radius";
  EXPECT_EQ(blur(testing::shellQuote(junk.string()) + " " + out + " --radius -1"), 2);
  EXPECT_EQ(blur(testing::shellQuote(junk.string()) + " " + out + " --radius x"), 2);
  EXPECT_EQ(blur("only-one --radius 3"), 2);
}

}  // namespace
}  // namespace youran
