// The peer of `youranmusic-cli tags` for whole-process timing: TagLib's
// FileRef (tags and audio properties) on every file named, one line each.

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    TagLib::FileRef file(argv[i], true, TagLib::AudioProperties::Fast);
    if (file.isNull() || !file.tag()) {
      std::printf("{\"path\":\"%s\",\"handled\":false}\n", argv[i]);
      continue;
    }
    const TagLib::Tag* tag = file.tag();
    const TagLib::AudioProperties* audio = file.audioProperties();
    std::printf(
        "{\"path\":\"%s\",\"title\":\"%s\",\"artist\":\"%s\",\"album\":\"%s\",\"comment\":\"%s\","
        "\"genre\":\"%s\",\"year\":%u,\"track\":%u,\"bitrate\":%d,\"sampleRate\":%d,"
        "\"channels\":%d,\"seconds\":%d}\n",
        argv[i], tag->title().toCString(true), tag->artist().toCString(true),
        tag->album().toCString(true), tag->comment().toCString(true), tag->genre().toCString(true),
        tag->year(), tag->track(), audio ? audio->bitrate() : 0, audio ? audio->sampleRate() : 0,
        audio ? audio->channels() : 0, audio ? audio->lengthInSeconds() : 0);
  }
  return 0;
}
