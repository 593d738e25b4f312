// youranmusic-cli blur IN OUT --radius R [--threads N]
// Any picture Qt reads in, the player's stack blur over it, PNG out.

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <charconv>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "visuals/picture_decode.h"
#include "cli/command.h"
#include "visuals/stack_blur.h"

namespace {

bool parseNumber(std::string_view text, int& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int usage() {
  std::fputs("usage: youranmusic-cli blur IN OUT --radius R [--threads N]\n", stderr);
  return 2;
}

int runBlur(std::span<char*> args) {
  std::string in, out;
  int radius = -1;
  int threads = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if ((arg == "--radius" || arg == "--threads") && i + 1 < args.size()) {
      int& target = arg == "--radius" ? radius : threads;
      if (!parseNumber(args[++i], target) || target < 0) return usage();
    } else if (in.empty()) {
      in = arg;
    } else if (out.empty()) {
      out = arg;
    } else {
      return usage();
    }
  }
  if (in.empty() || out.empty() || radius < 0) return usage();

  // The image format plug-ins (JPEG, GIF, ...) are found through the
  // application object.
  int argc = 1;
  char name[] = "youranmusic-cli";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  QFile file(QString::fromStdString(in));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "blur: cannot read %s\n", in.c_str());
    return 1;
  }
  QImage image = youran::decodePicture(file.readAll());
  if (image.isNull()) {
    std::fprintf(stderr, "blur: %s is no picture this program reads (or too large)\n", in.c_str());
    return 1;
  }
  image = image.convertToFormat(QImage::Format_ARGB32);
  if (radius > youran::kMaxBlurRadius)
    std::fprintf(stderr, "blur: radius %d is blurred as %d\n", radius, youran::kMaxBlurRadius);
  youran::stackBlur(reinterpret_cast<uint32_t*>(image.bits()), image.width(), image.height(), radius,
                    {.threads = threads});
  if (!image.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "blur: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

YOURAN_CLI_COMMAND(blur, "blur", "blur IN OUT --radius R [--threads N]", runBlur);
