// cod_midi: the decoder plug-in that plays Standard MIDI Files through
// FluidSynth with a General MIDI SoundFont.
//
// Shared state: the SoundFont path, chosen when the library is loaded, and
// FluidSynth's log functions, set once. Both are written only while the
// engine loads the library, under `shared().lock`; handles copy the path at
// open and share nothing else.

#include <fluidsynth.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playback/decode/decoder_plugin.h"
#include "playback/plugins/midi/midi_renderer.h"
#include "playback/plugins/midi/smf.h"
#include "playback/plugins/midi/soundfont_choice.h"

#ifdef _WIN32
#include <windows.h>
#define YOURAN_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define YOURAN_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using youran::midi::MidiRenderer;

// Larger files are not MIDI files anyone wrote: refused before reading.
constexpr long kLargestFile = 64L * 1024 * 1024;
constexpr const char* kSoundFontKey = "MidiSoundFont";

struct Shared {
  std::mutex lock;
  std::string configuredSoundFont;
  std::string soundFont;
};

Shared& shared() {
  static Shared state;
  return state;
}

// The player's log format, "subsystem: message", and its YOURAN_QUIET.
void logLine(const std::string& message) {
  static const bool quiet = std::getenv("YOURAN_QUIET") != nullptr;
  if (quiet) return;
  static std::mutex lock;
  std::lock_guard guard(lock);
  std::fprintf(stderr, "midi: %s\n", message.c_str());
}

// FluidSynth's errors are ours to report; its warnings and chatter (about
// every odd SoundFont zone) would only fill the player's standard error.
void fluidLog(int level, const char* message, void*) {
  if ((level == FLUID_PANIC || level == FLUID_ERR) && message)
    logLine(std::string("fluidsynth: ") + message);
}

void routeFluidLog() {
  fluid_set_log_function(FLUID_PANIC, fluidLog, nullptr);
  fluid_set_log_function(FLUID_ERR, fluidLog, nullptr);
  fluid_set_log_function(FLUID_WARN, fluidLog, nullptr);
  fluid_set_log_function(FLUID_INFO, fluidLog, nullptr);
  fluid_set_log_function(FLUID_DBG, fluidLog, nullptr);
}

FILE* openFile(const char* path) {
#ifdef _WIN32
  int wide = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  std::wstring name(wide > 0 ? wide : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path, -1, name.data(), wide);
  return _wfopen(name.c_str(), L"rb");
#else
  return std::fopen(path, "rb");
#endif
}

bool readFile(const char* path, std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(openFile(path), std::fclose);
  if (!file) return false;
  // Only the head first: most files handed to the plug-in by extension
  // alone are worth no more than that.
  uint8_t head[12];
  size_t got = std::fread(head, 1, sizeof head, file.get());
  if (!youran::midi::looksLikeSmf({head, got})) return false;
  bytes.assign(head, head + got);
  uint8_t block[65536];
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
    if (bytes.size() + got > static_cast<size_t>(kLargestFile)) {
      logLine(std::string(path) + ": larger than 64 MB, not a MIDI file");
      return false;
    }
    bytes.insert(bytes.end(), block, block + got);
  }
  return true;
}

void* midiOpen(const char* path, const uint8_t* memory, size_t size) {
  try {
    std::vector<uint8_t> file;
    std::span<const uint8_t> bytes;
    if (path) {
      if (!readFile(path, file)) return nullptr;
      bytes = file;
    } else {
      if (!memory || size > static_cast<size_t>(kLargestFile)) return nullptr;
      bytes = {memory, size};
    }
    if (!youran::midi::looksLikeSmf(bytes)) return nullptr;
    std::string why;
    auto song = youran::midi::parseSmf(bytes, &why);
    if (!song) {
      logLine((path ? std::string(path) : std::string("memory block")) + ": " + why);
      return nullptr;
    }
    std::string soundFont;
    {
      std::lock_guard guard(shared().lock);
      soundFont = shared().soundFont;
    }
    return new MidiRenderer(std::move(*song), std::move(soundFont));
  } catch (...) {
    return nullptr;
  }
}

int midiInfo(void* handle, youran_decoder_info* out) {
  auto* renderer = static_cast<MidiRenderer*>(handle);
  out->sample_rate = youran::midi::kRenderRate;
  out->channels = youran::midi::kRenderChannels;
  out->length_frames = renderer->lengthFrames();
  return 0;
}

int64_t midiRead(void* handle, int16_t* out, int64_t maxFrames) {
  try {
    return static_cast<MidiRenderer*>(handle)->read(out, maxFrames);
  } catch (...) {
    return -1;
  }
}

int midiSeek(void* handle, int64_t frame) {
  return static_cast<MidiRenderer*>(handle)->seek(frame) ? 0 : -1;
}

void midiClose(void* handle) { delete static_cast<MidiRenderer*>(handle); }

const char* const kExtensions[] = {"mid", "midi", "kar", nullptr};

const youran_decoder_plugin_table kTable = {YOURAN_DECODER_ABI_VERSION,
                                            sizeof(youran_decoder_plugin_table),
                                            "midi",
                                            kExtensions,
                                            midiOpen,
                                            midiInfo,
                                            midiRead,
                                            midiSeek,
                                            midiClose};

}  // namespace

YOURAN_PLUGIN_EXPORT void youran_decoder_plugin_configure(youran_decoder_setting_fn setting,
                                                          void* context) {
  const char* value = setting ? setting(context, kSoundFontKey) : nullptr;
  std::lock_guard guard(shared().lock);
  shared().configuredSoundFont = value ? value : "";
}

YOURAN_PLUGIN_EXPORT const youran_decoder_plugin_table* youran_decoder_plugin(void) {
  std::lock_guard guard(shared().lock);
  static std::once_flag logRouted;
  std::call_once(logRouted, routeFluidLog);
  std::string note;
  auto chosen = youran::midi::chooseSoundFont(shared().configuredSoundFont,
                                              youran::midi::kSystemSoundFonts, &note);
  if (!note.empty()) logLine(note);
  if (!chosen) {
    logLine(
        "no General MIDI SoundFont found (install fluid-soundfont-gm or timgm6mb-soundfont, or "
        "set " +
        std::string(kSoundFontKey) +
        " in section Plugins of Setting.ini); MIDI files will not play");
    return nullptr;
  }
  shared().soundFont = *chosen;
  return &kTable;
}
