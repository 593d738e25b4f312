// Which SoundFont the MIDI plug-in takes: the configured one when it is
// one, else the first system SoundFont, else none (the plug-in then refuses
// to load).

#include "playback/plugins/midi/soundfont_choice.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace youran::testing {
namespace {

TEST(MidiSoundFont, ConfiguredFirstThenSystemThenNone) {
  TempFolder folder;
  const std::string good =
      folder.write("good.sf2", std::string("RIFF\x10\0\0\0sfbkLIST", 16)).string();
  const std::string other =
      folder.write("other.sf2", std::string("RIFF\x10\0\0\0sfbkLIST", 16)).string();
  const std::string wave =
      folder.write("wave.sf2", std::string("RIFF\x10\0\0\0WAVEfmt ", 16)).string();
  const std::string shortFile = folder.write("short.sf2", "RIFF").string();
  const std::string missing = (folder / "missing.sf2").string();

  struct Case {
    const char* name;
    std::string configured;
    std::vector<std::string> system;
    std::string chosen;  // empty: none
    bool noted;
  };
  const Case cases[] = {
      {"configured and valid", other, {good}, other, false},
      {"nothing configured", "", {missing, good, other}, good, false},
      {"configured is a WAVE file", wave, {good}, good, true},
      {"configured is missing", missing, {shortFile, good}, good, true},
      {"nothing anywhere", "", {missing, wave, shortFile}, "", false},
      {"configured missing and no system one", missing, {}, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string_view> system(c.system.begin(), c.system.end());
    std::string note;
    auto chosen = midi::chooseSoundFont(c.configured, system, &note);
    EXPECT_EQ(chosen.value_or(""), c.chosen);
    EXPECT_EQ(!note.empty(), c.noted);
  }
}

}  // namespace
}  // namespace youran::testing
