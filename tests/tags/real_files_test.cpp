// Files written at test time by real tools (ffmpeg, python3-mutagen), read
// back with the values the tool wrote.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_folder.h"
#include "tags/id3.h"
#include "tags/tag_reader.h"

namespace youran {
namespace {

using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::TempFolder;

class TagsRealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runCommand("ffmpeg -version >/dev/null 2>&1"), 0) << "ffmpeg is needed";
    ASSERT_EQ(ffmpeg("-f lavfi -i color=c=red:s=48x32 -frames:v 1 " + q("cover.jpg")), 0);
    cover_ = readFile(folder_ / "cover.jpg");
    ASSERT_GT(cover_.size(), 100u);
  }

  std::string q(const std::string& name) const { return shellQuote((folder_ / name).string()); }

  int ffmpeg(const std::string& args) const {
    return runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + args);
  }

  int python(const std::string& script) const {
    const auto file = folder_.write("script.py", script);
    return runCommand("/usr/bin/python3 " + shellQuote(file.string()));
  }

  // Three seconds of a 440 Hz tone.
  std::string sine(double seconds = 3) const {
    return "-f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) + " ";
  }

  static std::string common() {
    return "-metadata title=天路 -metadata artist=韩红 -metadata album=青藏高原 "
           "-metadata comment=一条评论 -metadata track=7 -metadata date=2001 "
           "-metadata genre=流行 ";
  }

  TagInfo read(const std::string& name) const {
    TagInfo record;
    EXPECT_TRUE(ReadTagsByConversionRule((folder_ / name).string(), record)) << name;
    return record;
  }

  TempFolder folder_;
  std::string cover_;
};

TEST_F(TagsRealFiles, Mp3WithId3v23And24) {
  for (int version : {3, 4}) {
    const std::string name = "v2" + std::to_string(version) + ".mp3";
    ASSERT_EQ(ffmpeg(sine() + "-i " + q("cover.jpg") +
                     " -map 0:a -map 1:v -c:a libmp3lame -b:a 128k -ar 44100 -c:v copy "
                     "-disposition:v attached_pic -id3v2_version " +
                     std::to_string(version) + " -write_id3v1 1 " + common() + q(name)),
              0);
    const TagInfo r = read(name);
    EXPECT_EQ(r.title, "天路") << version;
    EXPECT_EQ(r.artist, "韩红") << version;
    EXPECT_EQ(r.album, "青藏高原") << version;
    // ffmpeg writes the comment of an MP3 as TXXX, not COMM.
    EXPECT_EQ(r.track, "7") << version;
    EXPECT_EQ(r.genre, "流行") << version;
    EXPECT_EQ(r.picture, cover_) << version;
    EXPECT_EQ(r.encoding, "MPEG 1 Layer III") << version;
    EXPECT_EQ(r.sampleRate, "44100") << version;
    EXPECT_EQ(r.channels, "单声道") << version;
    EXPECT_EQ(r.duration, "00:03") << version;
    // The Info header's byte count includes the Info frame itself, so the
    // average over a short file comes out a little above 128.
    EXPECT_GE(std::stoi(r.bitrate), 128) << version;
    EXPECT_LE(std::stoi(r.bitrate), 130) << version;
  }
}

TEST_F(TagsRealFiles, FlacOggM4aWma) {
  ASSERT_EQ(ffmpeg(sine() + "-i " + q("cover.jpg") +
                   " -map 0:a -map 1:v -c:a flac -c:v copy -disposition:v attached_pic " +
                   common() + "-metadata copyright=版权 " + q("a.flac")),
            0);
  ASSERT_EQ(ffmpeg(sine() + "-ac 2 -c:a libvorbis -b:a 128k " + common() +
                   "-metadata performer=演奏 " + q("a.ogg")),
            0);
  ASSERT_EQ(ffmpeg(sine() + "-i " + q("cover.jpg") +
                   " -map 0:a -map 1:v -c:a aac -c:v copy -disposition:v attached_pic " +
                   common() + q("a.m4a")),
            0);
  ASSERT_EQ(ffmpeg(sine() + "-ac 2 -c:a wmav2 -b:a 128k " + common() +
                   "-metadata copyright=版权 " + q("a.wma")),
            0);
  // ffmpeg writes the comment as DESCRIPTION in FLAC and Ogg, as an
  // extended "Description" in WMA, and the date of WMA as "date": only the
  // keys the readers know come back.
  struct Expect {
    std::string file, encoding, channels, duration;
    bool picture, track, comment, year;
  } cases[] = {
      {"a.flac", "Free Lossless Audio Codec(", "单声道", "00:03", true, true, false, true},
      {"a.ogg", "Ogg Vorbis", "立体声", "00:03", false, true, false, true},
      {"a.m4a", "", "", "", true, false, true, true},
      {"a.wma", "Windows Media Audio", "未知", "00:03", false, true, false, false},
  };
  for (const auto& c : cases) {
    const TagInfo r = read(c.file);
    EXPECT_EQ(r.title, "天路") << c.file;
    EXPECT_EQ(r.artist, "韩红") << c.file;
    EXPECT_EQ(r.album, "青藏高原") << c.file;
    EXPECT_EQ(r.comment, c.comment ? "一条评论" : "") << c.file;
    EXPECT_EQ(r.year, c.year ? "2001" : "") << c.file;
    if (c.track) {
      EXPECT_EQ(r.track, "7") << c.file;
    }
    EXPECT_EQ(r.encoding.substr(0, c.encoding.size()), c.encoding) << c.file;
    EXPECT_EQ(r.channels, c.channels.empty() ? r.channels : c.channels) << c.file;
    EXPECT_EQ(r.duration, c.duration) << c.file;
    EXPECT_EQ(r.picture, c.picture ? cover_ : std::string()) << c.file;
  }
  EXPECT_EQ(read("a.flac").rights, "版权");
  EXPECT_EQ(read("a.flac").genre, "流行");
  EXPECT_EQ(read("a.ogg").performer, "演奏");
  EXPECT_EQ(read("a.ogg").description, "一条评论");
  EXPECT_EQ(read("a.ogg").sampleRate, "44100");
  EXPECT_EQ(read("a.wma").rights, "版权");
  EXPECT_EQ(read("a.wma").genre, "流行");
}

// mutagen writes no footer; one is added after its 2.4 tag the way a tagger
// that writes footers lays it out. The audio starts past the footer.
TEST_F(TagsRealFiles, Id3v24FooterIsSkippedWithTheTag) {
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a libmp3lame -b:a 64k -id3v2_version 0 -write_xing 0 " + q("footer.mp3")), 0);
  const std::uint64_t audioBytes = std::filesystem::file_size(folder_ / "footer.mp3");
  const std::string script = R"PY(
import sys
from mutagen.id3 import ID3, TIT2
folder = sys.argv[0].rsplit('/', 1)[0]
path = folder + '/footer.mp3'
tags = ID3()
tags.add(TIT2(encoding=3, text='脚注'))
tags.save(path, v2_version=4, padding=lambda info: 0)
data = bytearray(open(path, 'rb').read())
size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
data[5] |= 0x10
footer = b'3DI' + bytes(data[3:10])
open(path, 'wb').write(bytes(data[:10 + size]) + footer + bytes(data[10 + size:]))
)PY";
  ASSERT_EQ(python(script), 0);
  const std::string path = (folder_ / "footer.mp3").string();
  const std::string bytes = readFile(path);
  ASSERT_GT(bytes.size(), audioBytes);
  const std::uint64_t tagBytes = bytes.size() - audioBytes;
  ASSERT_EQ(bytes.substr(tagBytes - 10, 3), "3DI");
  EXPECT_EQ(Id3v2TotalSize(path), tagBytes);
  const TagInfo r = read("footer.mp3");
  EXPECT_EQ(r.title, "脚注");
  EXPECT_EQ(r.encoding, "MPEG 1 Layer III");
  EXPECT_EQ(r.duration, "00:01");
}

TEST_F(TagsRealFiles, MutagenApeAndId3Details) {
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a libmp3lame -b:a 64k -id3v2_version 0 -write_xing 0 " +
                   q("ape.mp3")),
            0);
  ASSERT_EQ(runCommand("cp " + q("ape.mp3") + " " + q("id3.mp3")), 0);
  const std::string script = R"PY(
import sys
from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.id3 import ID3, TIT2, TPE1, COMM, USLT, APIC, WXXX, TCOP
folder = sys.argv[0].rsplit('/', 1)[0]
cover = open(folder + '/cover.jpg', 'rb').read()
ape = APEv2()
ape['TITLE'] = 'APE 标题'
ape['Artist'] = 'APE 歌手'
ape['Album'] = 'APE 专辑'
ape['Lyrics'] = 'APE 歌词'
ape['Cover Art (Front)'] = APEValue(b'cover.jpg\x00' + cover, BINARY)
ape.save(folder + '/ape.mp3')
tags = ID3()
tags.add(TIT2(encoding=1, text='标题'))
tags.add(TPE1(encoding=3, text='歌手'))
tags.add(COMM(encoding=1, lang='deu', desc='Beschreibung', text='Kommentar'))
tags.add(USLT(encoding=3, lang='jpn', desc='説明', text='歌詞の行'))
tags.add(WXXX(encoding=1, desc='站点', url='http://example.com/song'))
tags.add(TCOP(encoding=0, text='(c) 2001'))
tags.add(APIC(encoding=1, mime='image/jpeg', type=3, desc='封面的描述', data=cover))
tags.save(folder + '/id3.mp3', v2_version=3)
)PY";
  ASSERT_EQ(python(script), 0);
  TagInfo ape = read("ape.mp3");
  EXPECT_EQ(ape.title, "APE 标题");
  EXPECT_EQ(ape.artist, "APE 歌手");
  EXPECT_EQ(ape.album, "APE 专辑");
  EXPECT_EQ(ape.lyrics, "APE 歌词");
  EXPECT_EQ(ape.picture, cover_);
  EXPECT_EQ(ape.encoding, "MPEG 1 Layer III");

  TagInfo id3 = read("id3.mp3");
  EXPECT_EQ(id3.title, "标题");
  EXPECT_EQ(id3.artist, "歌手");
  EXPECT_EQ(id3.comment, "Kommentar");
  EXPECT_EQ(id3.lyrics, "歌詞の行");
  EXPECT_EQ(id3.url, "http://example.com/song");
  EXPECT_EQ(id3.rights, "(c) 2001");
  EXPECT_EQ(id3.picture, cover_);
}

TEST_F(TagsRealFiles, MutagenPicturesInFlacAndOgg) {
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a flac " + q("p.flac")), 0);
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a libvorbis " + q("p.ogg")), 0);
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a libvorbis " + q("lower.ogg")), 0);
  const std::string script = R"PY(
import sys, base64
from mutagen.flac import FLAC, Picture
from mutagen.oggvorbis import OggVorbis
folder = sys.argv[0].rsplit('/', 1)[0]
cover = open(folder + '/cover.jpg', 'rb').read()
def picture(kind, data):
    p = Picture()
    p.type = kind
    p.mime = 'image/jpeg'
    p.desc = 'desc'
    p.data = data
    return p
f = FLAC(folder + '/p.flac')
f.add_picture(picture(4, b'\xff\xd8back'))
f.add_picture(picture(3, cover))
f['Title'] = 'Capitalised'
f['url'] = 'http://example.com/'
f.save()
o = OggVorbis(folder + '/p.ogg')
o['METADATA_BLOCK_PICTURE'] = [base64.b64encode(picture(3, cover).write()).decode('ascii')]
o['TITLE'] = 'Ogg 标题'
o.save()
o = OggVorbis(folder + '/lower.ogg')
o['title'] = 'lower case key'
o['artist'] = 'x' * 100000
o.save()
)PY";
  ASSERT_EQ(python(script), 0);
  const TagInfo flac = read("p.flac");
  EXPECT_EQ(flac.title, "Capitalised");
  EXPECT_EQ(flac.url, "http://example.com/");
  EXPECT_EQ(flac.picture, cover_);
  const TagInfo ogg = read("p.ogg");
  EXPECT_EQ(ogg.title, "Ogg 标题");
  EXPECT_EQ(ogg.picture, cover_);
  // A comment header of 100 KB spans several pages.
  const TagInfo lower = read("lower.ogg");
  EXPECT_EQ(lower.title, "lower case key");
  EXPECT_EQ(lower.artist, std::string(100000, 'x'));
  EXPECT_EQ(lower.duration, "00:01");
}

TEST_F(TagsRealFiles, MutagenWmaExtras) {
  ASSERT_EQ(ffmpeg(sine(1) + "-c:a wmav2 " + q("x.wma")), 0);
  const std::string script = R"PY(
import sys
from mutagen.asf import ASF, ASFByteArrayAttribute, ASFDWordAttribute
import struct
folder = sys.argv[0].rsplit('/', 1)[0]
cover = open(folder + '/cover.jpg', 'rb').read()
a = ASF(folder + '/x.wma')
a['Title'] = ['WMA 标题']
a['Author'] = ['WMA 歌手']
a['Description'] = ['WMA 评论']
a['WM/Year'] = ['1999']
a['WM/AlbumTitle'] = ['WMA 专辑']
a['WM/UserWebURL'] = ['http://composer.example/']
a['WM/Track'] = [ASFDWordAttribute(4)]
mime = 'image/jpeg'.encode('utf-16-le') + b'\x00\x00'
desc = b'\x00\x00'
a['WM/Picture'] = [ASFByteArrayAttribute(struct.pack('<BI', 3, len(cover)) + mime + desc + cover)]
a.save()
)PY";
  ASSERT_EQ(python(script), 0);
  const TagInfo r = read("x.wma");
  EXPECT_EQ(r.title, "WMA 标题");
  EXPECT_EQ(r.artist, "WMA 歌手");
  EXPECT_EQ(r.comment, "WMA 评论");
  EXPECT_EQ(r.year, "1999");
  EXPECT_EQ(r.album, "WMA 专辑");
  EXPECT_EQ(r.composer, "http://composer.example/");
  EXPECT_EQ(r.trackAlt, "4");
  EXPECT_EQ(r.picture, cover_);
}

}  // namespace
}  // namespace youran
