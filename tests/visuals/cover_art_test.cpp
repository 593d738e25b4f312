// The cover step: cache, embedded picture, fetch, re-encoding worker and the
// built-in cover; and the decode that guards all of them.
#include "visuals/ui/cover_art.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <array>
#include <atomic>
#include <filesystem>

#include "visuals/picture_decode.h"
#include "base/atomic_file.h"
#include "base/data_folder.h"
#include "playback/controller/now_playing.h"
#include "support/tag_fixtures.h"
#include "support/temp_folder.h"
#include "visuals/cover_paths.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

QImage gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 90));
  return image;
}

QByteArray bytesOf(const fs::path& path) { return QByteArray::fromStdString(testing::readFile(path)); }

uint32_t crc32(const QByteArray& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char c : bytes) {
    crc ^= static_cast<uint8_t>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A PNG whose header claims width x height but holds no pixel data.
QByteArray claimedPng(uint32_t width, uint32_t height) {
  auto be32 = [](uint32_t v) {
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (24 - 8 * i));
    return b;
  };
  QByteArray body = "IHDR" + be32(width) + be32(height) + QByteArray("\x08\x06\x00\x00\x00", 5);
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  png += be32(13) + body + be32(crc32(body));
  // A first data chunk, so the header counts as read; its content is junk.
  QByteArray data = "IDAT" + QByteArray("\x78\x9c\x01\x02", 4);
  png += be32(4) + data + be32(crc32(data));
  QByteArray end = "IEND";
  png += be32(0) + end + be32(crc32(end));
  return png;
}

class CoverArtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDataFolder(folder.path());
    fs::create_directories(folder / "Pic");
    cover = std::make_unique<CoverArt>(now, [this](const QString& name) {
      ++fetches;
      fetchedName = name;
      return fetchAnswer;
    });
    cover->setEmbeddedPicture([this](const QString& path) {
      return path.isEmpty() ? QByteArray() : CoverArt::readEmbeddedPicture(path);
    });
    QObject::connect(cover.get(), &CoverArt::coverProcessed, [this](const QString&, int quality) {
      lastQuality = quality;
    });
  }

  // A track start as the controller runs it, then the worker's end.
  void start(const QString& name, const QString& path = {}) {
    NowPlaying::Track track;
    track.row = 1;
    track.path = path;
    track.displayName = name;
    now.setTrack(track);
    cover->loadCover(name);
    cover->showDefaultCover();
    cover->waitForWorkers();
  }

  fs::path cache(const QString& name) const { return coverCachePath(name.toStdString()); }
  fs::path raw(const QString& name) const { return coverRawPath(name.toStdString()); }

  testing::TempFolder folder;
  NowPlaying now;
  std::unique_ptr<CoverArt> cover;
  std::atomic<int> fetches{0};
  QString fetchedName;
  QByteArray fetchAnswer;
  int lastQuality = -1;
};

TEST_F(CoverArtTest, RawSizeChoosesTheQuality) {
  struct Case {
    qint64 bytes;
    int quality;
  };
  static constexpr std::array<Case, 6> kCases{{
      {300 * 1024, 70}, {8LL * 1048576 - 1, 70}, {8LL * 1048576, 70},
      {9LL * 1048576 - 1, 70}, {9LL * 1048576, 20}, {12LL * 1048576, 20},
  }};
  for (const auto& c : kCases) EXPECT_EQ(CoverArt::qualityForSize(c.bytes), c.quality) << c.bytes;

  // Through the worker: a picture padded to 12 MB and one of about 300 KB.
  const QImage picture = gradient(300, 200);
  struct Run {
    const char* name;
    qint64 size;
    int quality;
  };
  for (const Run& run : {Run{"Big-Cover", 12LL * 1048576, 20}, Run{"Small-Cover", 300 * 1024, 70}}) {
    fetchAnswer = encoded(picture, "PNG");
    fetchAnswer.append(QByteArray(run.size - fetchAnswer.size(), '\0'));  // PNG readers stop at IEND
    start(QString::fromLatin1(run.name));
    EXPECT_EQ(lastQuality, run.quality) << run.name;
    EXPECT_EQ(bytesOf(cache(QString::fromLatin1(run.name))), encoded(picture, "JPEG", run.quality)) << run.name;
    EXPECT_FALSE(fs::exists(raw(QString::fromLatin1(run.name)))) << "the raw cover is removed";
    EXPECT_EQ(now.cover().size(), picture.size());
  }
}

TEST_F(CoverArtTest, HugeCoverIsCachedAsANinetyPixelSnapshot) {
  QImage huge(2500, 2500, QImage::Format_RGB32);
  huge.fill(qRgb(200, 40, 40));
  fetchAnswer = encoded(huge, "PNG");
  start(QStringLiteral("Huge-Cover"));
  const QImage cached = decodePicture(bytesOf(cache(QStringLiteral("Huge-Cover"))));
  ASSERT_FALSE(cached.isNull());
  EXPECT_EQ(cached.size(), QSize(90, 90));
  EXPECT_EQ(cached.pixel(45, 45), qRgb(200, 40, 40));
  EXPECT_EQ(now.cover().size(), QSize(90, 90));
}

TEST_F(CoverArtTest, SecondPlayReadsTheCacheWithoutAFetch) {
  fetchAnswer = encoded(gradient(120, 120), "PNG");
  start(QStringLiteral("A-B"));
  ASSERT_EQ(fetches.load(), 1);
  EXPECT_EQ(fetchedName, QStringLiteral("A-B"));
  now.setCover(QImage());
  start(QStringLiteral("A-B"));
  EXPECT_EQ(fetches.load(), 1);
  EXPECT_EQ(now.cover().size(), QSize(120, 120));
}

TEST_F(CoverArtTest, ALargeCacheFileIsDecodedOffTheTrackStart) {
  // A noisy picture, so its JPEG is well above the size decoded at once.
  QImage noisy(1600, 1600, QImage::Format_RGB32);
  uint32_t seed = 7;
  for (int y = 0; y < noisy.height(); ++y)
    for (int x = 0; x < noisy.width(); ++x) noisy.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
  const QByteArray jpeg = encoded(noisy, "JPEG", 70);
  ASSERT_GT(jpeg.size(), CoverArt::kSyncDecodeBytes);
  ASSERT_FALSE(writeFileAtomically(cache(QStringLiteral("Big-Cover")), std::string_view(jpeg.constData(), static_cast<size_t>(jpeg.size()))));

  const QImage before = gradient(30, 30);
  now.setCover(before);
  NowPlaying::Track track;
  track.row = 1;
  track.displayName = QStringLiteral("Big-Cover");
  now.setTrack(track);
  cover->loadCover(track.displayName);
  cover->showDefaultCover();
  EXPECT_EQ(now.cover(), before) << "the track start neither decoded nor fell back to the default";
  cover->waitForWorkers();
  EXPECT_EQ(now.cover().size(), QSize(400, 400)) << "decoded shrunk towards the display size";
  EXPECT_EQ(fetches.load(), 0);

  // A large cache file that is not a picture is a miss after all.
  ASSERT_FALSE(writeFileAtomically(cache(QStringLiteral("Bad-Cache")), std::string(300 * 1024, 'x')));
  fetchAnswer = encoded(gradient(50, 50), "PNG");
  track.displayName = QStringLiteral("Bad-Cache");
  now.setTrack(track);
  cover->loadCover(track.displayName);
  cover->showDefaultCover();
  cover->waitForWorkers();
  cover->waitForWorkers();
  EXPECT_EQ(fetches.load(), 1);
  EXPECT_EQ(now.cover().size(), QSize(50, 50));
}

TEST_F(CoverArtTest, EmbeddedPictureComesBeforeTheNetwork) {
  QImage art(64, 48, QImage::Format_RGB32);
  art.fill(qRgb(10, 160, 90));
  const QByteArray png = encoded(art, "PNG");
  const std::string tag = testing::id3v2Tag(
      3, {{"APIC", testing::id3Apic(0, "image/png", 3, "", std::string_view(png.constData(), png.size()))}});
  const auto track = folder.write("embedded.mp3", tag + std::string(2048, '\0'));
  fetchAnswer = encoded(gradient(50, 50), "PNG");
  start(QStringLiteral("Own-Cover"), QString::fromStdString(track.string()));
  EXPECT_EQ(fetches.load(), 0);
  EXPECT_EQ(now.cover().size(), QSize(64, 48));
  const QRgb shown = now.cover().pixel(10, 10);  // through JPEG
  EXPECT_NEAR(qRed(shown), 10, 3);
  EXPECT_NEAR(qGreen(shown), 160, 3);
  EXPECT_NEAR(qBlue(shown), 90, 3);
  EXPECT_FALSE(bytesOf(cache(QStringLiteral("Own-Cover"))).isEmpty());
}

TEST_F(CoverArtTest, NothingFoundLeavesTheDefaultCoverAndAnEmptyCache) {
  start(QStringLiteral("Nobody-Nothing"));
  EXPECT_EQ(fetches.load(), 1);
  EXPECT_EQ(now.cover(), CoverArt::defaultCover());
  EXPECT_EQ(now.cover().size(), QSize(90, 90));
  ASSERT_TRUE(fs::exists(cache(QStringLiteral("Nobody-Nothing"))));
  EXPECT_EQ(fs::file_size(cache(QStringLiteral("Nobody-Nothing"))), 0u);
  EXPECT_FALSE(fs::exists(raw(QStringLiteral("Nobody-Nothing"))));
  // The empty cache is a miss: the next start asks again.
  start(QStringLiteral("Nobody-Nothing"));
  EXPECT_EQ(fetches.load(), 2);
}

TEST_F(CoverArtTest, PictureBombsAndGarbageCountAsNoCover) {
  EXPECT_TRUE(pictureSize(claimedPng(20000, 20000)) == QSize(20000, 20000));
  EXPECT_TRUE(decodePicture(claimedPng(20000, 20000)).isNull());
  EXPECT_TRUE(decodePicture(claimedPng(9000, 8000)).isNull()) << "72 megapixels";
  EXPECT_TRUE(decodePicture(QByteArray("not a picture at all")).isNull());
  EXPECT_TRUE(decodePicture(QByteArray()).isNull());
  EXPECT_FALSE(decodePicture(encoded(gradient(8, 8), "BMP")).isNull());

  fetchAnswer = claimedPng(30000, 30000);
  start(QStringLiteral("Bomb-Cover"));
  EXPECT_EQ(now.cover(), CoverArt::defaultCover());
  EXPECT_EQ(fs::file_size(cache(QStringLiteral("Bomb-Cover"))), 0u);
}

TEST_F(CoverArtTest, HostileNamesStayInsidePic) {
  fetchAnswer = encoded(gradient(20, 20), "PNG");
  for (const char* name : {"../../escape", "a/b\\c", "..", ".", "con:*?<>|\"", "tab\tand\nnewline"}) {
    start(QString::fromUtf8(name));
    const fs::path path = cache(QString::fromUtf8(name));
    EXPECT_EQ(path.parent_path(), folder / "Pic") << name;
    EXPECT_TRUE(fs::exists(path)) << name;
  }
  for (const auto& entry : fs::directory_iterator(folder.path()))
    EXPECT_TRUE(entry.path().filename() == "Pic") << entry.path();
}

TEST_F(CoverArtTest, ALateCoverIsKeptButNotShownOverTheNextTrack) {
  fetchAnswer = encoded(gradient(40, 40), "PNG");
  NowPlaying::Track first;
  first.displayName = QStringLiteral("First-Track");
  now.setTrack(first);
  cover->loadCover(first.displayName);
  cover->showDefaultCover();
  NowPlaying::Track second;
  second.displayName = QStringLiteral("Second-Track");
  now.setTrack(second);
  cover->waitForWorkers();
  EXPECT_EQ(now.cover(), CoverArt::defaultCover());
  EXPECT_FALSE(bytesOf(cache(first.displayName)).isEmpty());
}

TEST(PictureDecodeTest, LargePicturesShrinkByPowersOfTwoToNoLessThanAsked) {
  struct Case {
    QSize size;
    QSize decoded;
  };
  const std::array<Case, 4> cases{{
      {{2000, 1000}, {500, 250}},
      {{4000, 4000}, {500, 500}},  // at most an eighth
      {{479, 479}, {479, 479}},
      {{480, 600}, {240, 300}},
  }};
  for (const auto& c : cases) {
    const QByteArray jpeg = encoded(gradient(c.size.width(), c.size.height()), "JPEG", 80);
    EXPECT_EQ(decodePicture(jpeg, {kMaxPicturePixels, QSize(240, 240)}).size(), c.decoded) << c.size.width();
    EXPECT_EQ(decodePicture(jpeg).size(), c.size);
  }
}

TEST(CoverPathsTest, SafeNames) {
  struct Case {
    const char* name;
    const char* safe;
  };
  static constexpr std::array<Case, 8> kCases{{
      {"Artist-Title", "Artist-Title"},
      {"周杰伦-晴天", "周杰伦-晴天"},
      {"../x", ".._x"},
      {"..", "_"},
      {"", "_"},
      {"a/b\\c:d", "a_b_c_d"},
      {"trailing. ", "trailing"},
      {"bell\x07", "bell_"},
  }};
  for (const auto& c : kCases) EXPECT_EQ(safeCoverName(c.name), c.safe) << c.name;
  // Cut to fit 255 bytes with "d" and ".dpc", never inside a character.
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "晴";
  const std::string safe = safeCoverName(longName);
  EXPECT_LE(safe.size() + 5, 255u);
  EXPECT_EQ(safe.size() % 3, 0u);
}

}  // namespace
}  // namespace youran
