#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "playback/decode/decoder.h"
#include "playback/decode/decoder_plugin.h"

namespace youran {

// A plug-in's setting by key (section Plugins of Setting.ini); empty when
// it is not set.
using PluginSettings = std::function<std::string(std::string_view key)>;

// The decoder plug-ins loaded so far. Libraries stay loaded until the process
// ends, because a stream may still be reading through one.
class PluginDecoders {
 public:
  // False (and a logged reason) when the library cannot be loaded, lacks the
  // entry point or speaks another ABI version; loading the same path twice
  // is a no-op that returns true. A plug-in that asks for its settings is
  // answered from `settings` (none are set when it is empty).
  bool load(const std::string& path, const PluginSettings& settings = {});

  // A decoder from the first plug-in that claims the path's extension (or,
  // for a memory block, the first that recognises the bytes); nullptr when
  // none does.
  std::unique_ptr<Decoder> open(const DecoderSource& source) const;

  size_t count() const;

 private:
  struct Plugin {
    std::string path;
    const youran_decoder_plugin_table* table = nullptr;
    std::vector<std::string> extensions;
  };
  mutable std::mutex lock_;
  std::vector<Plugin> plugins_;
};

}  // namespace youran
