#include "tags/tag_info.h"

#include "base/text_encoding.h"
#include "base/time_text.h"

namespace youran {

const std::array<TagField, kTagFieldCount> kTagFields = {{
    {"artist", &TagInfo::artist},
    {"title", &TagInfo::title},
    {"album", &TagInfo::album},
    {"rights", &TagInfo::rights},
    {"comment", &TagInfo::comment},
    {"track", &TagInfo::track},
    {"encoding", &TagInfo::encoding},
    {"genre", &TagInfo::genre},
    {"lyrics", &TagInfo::lyrics},
    {"year", &TagInfo::year},
    {"url", &TagInfo::url},
    {"composer", &TagInfo::composer},
    {"version", &TagInfo::version},
    {"reserved", &TagInfo::reserved},
    {"bitrate", &TagInfo::bitrate},
    {"sampleRate", &TagInfo::sampleRate},
    {"channels", &TagInfo::channels},
    {"performer", &TagInfo::performer},
    {"description", &TagInfo::description},
    {"duration", &TagInfo::duration},
    {"picture", &TagInfo::picture},
    {"trackAlt", &TagInfo::trackAlt},
}};

void ClearTagInfo(TagInfo& record) {
  std::string trackAlt = std::move(record.trackAlt);
  record = TagInfo{};
  record.trackAlt = std::move(trackAlt);
}

std::string FormatSeconds(long long seconds) { return formatMinutesSeconds(seconds); }

std::string PathPart(std::string_view path, int mode) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
  const std::size_t dot = name.rfind('.');
  switch (mode) {
    case 1:
      return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
    case 2:
      return std::string(name);
    case 3:
      return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
    case 4:
      return std::string(folder);
    case 5: {
      const std::size_t up = folder.rfind('/');
      return std::string(up == std::string_view::npos ? folder : folder.substr(up + 1));
    }
    case 6: {
      const std::string_view beforeQuery = path.substr(0, path.find('?'));
      const std::size_t urlDot = beforeQuery.rfind('.');
      if (urlDot == std::string_view::npos) return {};
      const std::string_view ext = beforeQuery.substr(urlDot + 1);
      // A dot in the host name or a folder is no extension.
      if (ext.find('/') != std::string_view::npos) return {};
      return std::string(ext);
    }
    default:
      return {};
  }
}

std::string Utf8ToInternalText(std::string_view bytes) {
  const std::string_view text = stripUtf8Bom(bytes);
  if (isValidUtf8(text)) return std::string(text);
  return legacyTextToUtf8(text);
}

ConversionNames ConversionTitleParts(const TagInfo& tags, const std::string& fileNameDisplayName) {
  ConversionNames names;
  if (tags.artist.empty() && tags.title.empty()) {
    std::string name = fileNameDisplayName;
    for (std::size_t at = name.find(" ."); at != std::string::npos; at = name.find(" .", at)) {
      name.erase(at, 2);
    }
    names.displayName = name;
    names.left = std::move(name);
    return names;
  }
  names.left = tags.artist.empty() ? std::string("未知歌手") : tags.artist;
  names.right = tags.title.empty() ? std::string("未知歌名") : tags.title;
  names.displayName = names.left + "-" + names.right;
  return names;
}

std::string ConversionDisplayName(const TagInfo& tags, const std::string& fileNameDisplayName) {
  return ConversionTitleParts(tags, fileNameDisplayName).displayName;
}

std::string ConversionWindowTitle(const ConversionNames& names, bool streamPlaying) {
  std::string title = streamPlaying ? "悠然音乐 6     " : "";
  title += "正在转换列表： ";
  title += names.left;
  title += "-";
  title += names.right;
  return title;
}

}  // namespace youran
