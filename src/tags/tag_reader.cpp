#include "tags/tag_reader.h"

#include <cctype>

#include "tags/ape.h"
#include "tags/embedded_id3.h"
#include "tags/flac.h"
#include "tags/id3.h"
#include "tags/mp4.h"
#include "tags/mpeg_header.h"
#include "tags/ogg.h"
#include "tags/wma.h"

namespace youran {

TagFormat TagFormatForPath(const std::string& path) {
  std::string ext = PathPart(path, 3);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ext == "MP3") return TagFormat::kMp3;
  if (ext == "WMA") return TagFormat::kWma;
  if (ext == "APE" || ext == "AAC" || ext == "WAV") return TagFormat::kApe;
  if (ext == "OGG" || ext == "OGA" || ext == "OPUS") return TagFormat::kOgg;
  if (ext == "FLAC" || ext == "FLA") return TagFormat::kFlac;
  return TagFormat::kUnknown;
}

void ReadTagsFrom(TagFormat format, ByteSource& source, TagInfo& record, ReadOptions options) {
  switch (format) {
    case TagFormat::kMp3: {
      ReadApe(source, record, options);
      const bool haveId3v2 = ReadId3v2(source, record, options);
      if (!haveId3v2 || record.title.empty()) ReadId3v1(source, record);
      if (options.streamProperties) ReadMpegStream(source, record);
      break;
    }
    case TagFormat::kWma:
      ReadWma(source, record, options);
      break;
    case TagFormat::kApe:
      ReadApe(source, record, options);
      FillFromEmbeddedId3v2(source, record, options);
      break;
    case TagFormat::kOgg:
      ReadOgg(source, record, options);
      break;
    case TagFormat::kFlac:
      ReadFlac(source, record, options);
      break;
    case TagFormat::kMp4:
      ReadMp4(source, record, options);
      break;
    case TagFormat::kUnknown:
      break;
  }
}

bool ReadTags(const std::string& path, TagInfo& record, ReadOptions options) {
  const TagFormat format = TagFormatForPath(path);
  if (format == TagFormat::kUnknown) return false;
  if (auto source = FileSource::open(path)) ReadTagsFrom(format, *source, record, options);
  return true;
}

bool ReadTagsByConversionRule(const std::string& path, TagInfo& record, ReadOptions options) {
  if (path.size() >= 3) {
    std::string last = path.substr(path.size() - 3);
    for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (last == "m4a") {
      if (auto source = FileSource::open(path)) ReadMp4(*source, record, options);
      return true;
    }
  }
  return ReadTags(path, record, options);
}

bool ReadTagsForConversion(const std::string& path, TagInfo& record) {
  return ReadTagsByConversionRule(path, record, ReadOptions{false, false});
}

}  // namespace youran
