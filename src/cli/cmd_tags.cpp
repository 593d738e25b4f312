// youranmusic-cli tags [--picture-dir DIR] FILE...
// One JSON object per file: what the player reads from it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "cli/json_path.h"
#include "tags/byte_source.h"
#include "tags/tag_reader.h"

namespace {

std::string_view PictureExtension(const std::string& picture) {
  if (picture.rfind("\xFF\xD8\xFF", 0) == 0) return ".jpg";
  if (picture.rfind("\x89PNG", 0) == 0) return ".png";
  if (picture.rfind("GIF8", 0) == 0) return ".gif";
  if (picture.rfind("BM", 0) == 0) return ".bmp";
  return ".bin";
}

// The picture file is named after the audio file (its name only, so nothing
// escapes DIR); a second file of the same name gets a number.
std::filesystem::path PicturePath(const std::filesystem::path& dir, const std::string& path,
                                  std::string_view extension) {
  std::string stem = youran::PathPart(path, 1);
  if (stem.empty() || stem == "." || stem == "..") stem = "picture";
  std::filesystem::path candidate = dir / (stem + std::string(extension));
  for (int n = 2; std::filesystem::exists(candidate); ++n) {
    candidate = dir / (stem + "-" + std::to_string(n) + std::string(extension));
  }
  return candidate;
}

int RunTags(std::span<char*> args) {
  std::string pictureDir;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--picture-dir") {
      if (i + 1 >= args.size()) {
        std::fputs("tags: --picture-dir needs a folder\n", stderr);
        return 2;
      }
      pictureDir = args[++i];
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.empty()) {
    std::fputs("usage: youranmusic-cli tags [--picture-dir DIR] FILE...\n", stderr);
    return 2;
  }
  if (!pictureDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(pictureDir, error);
  }

  int status = 0;
  for (const auto& path : files) {
    youran::TagInfo tags;
    const bool handled = youran::ReadTagsByConversionRule(path, tags);
    nlohmann::ordered_json line;
    youran::cli::putPath(line, path);
    line["handled"] = handled;
    for (const auto& field : youran::kTagFields) {
      if (field.member == &youran::TagInfo::picture) {
        line[std::string(field.name)] = std::to_string(tags.picture.size());
      } else {
        line[std::string(field.name)] = tags.*(field.member);
      }
    }
    line["displayName"] = youran::ConversionDisplayName(tags, youran::PathPart(path, 1));
    if (!youran::FileSource::open(path)) {
      line["error"] = "cannot open the file";
      status = 1;
    }
    if (!pictureDir.empty() && !tags.picture.empty()) {
      const auto target = PicturePath(pictureDir, path, PictureExtension(tags.picture));
      std::ofstream out(target, std::ios::binary);
      out.write(tags.picture.data(), static_cast<std::streamsize>(tags.picture.size()));
      if (out.good()) {
        line["picturePath"] = target.string();
      } else {
        line["error"] = "cannot write " + target.string();
        status = 1;
      }
    }
    // Every text is UTF-8 by now except a picture path below an odd folder.
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  }
  return status;
}

}  // namespace

YOURAN_CLI_COMMAND(tags, "tags", "tags [--picture-dir DIR] FILE...   print the tags the player reads",
                   RunTags);
