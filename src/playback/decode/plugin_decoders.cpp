#include "playback/decode/plugin_decoders.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/log.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace youran {

namespace {

constexpr std::string_view kLog = "playback";

// The library's entry point, and its configure function when it has one.
struct PluginEntry {
  void* entry = nullptr;
  void* configure = nullptr;
};

PluginEntry loadLibrarySymbols(const std::string& path, std::string& error) {
  PluginEntry found;
#ifdef _WIN32
  int wide = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring name(wide, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, name.data(), wide);
  HMODULE module = LoadLibraryW(name.c_str());
  if (!module) {
    error = "cannot load library";
    return found;
  }
  found.entry = reinterpret_cast<void*>(GetProcAddress(module, YOURAN_DECODER_PLUGIN_SYMBOL));
  found.configure = reinterpret_cast<void*>(GetProcAddress(module, YOURAN_DECODER_PLUGIN_CONFIGURE_SYMBOL));
  if (!found.entry) {
    FreeLibrary(module);
    error = "no entry point";
  }
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    error = why ? why : "cannot load library";
    return found;
  }
  found.entry = dlsym(module, YOURAN_DECODER_PLUGIN_SYMBOL);
  found.configure = dlsym(module, YOURAN_DECODER_PLUGIN_CONFIGURE_SYMBOL);
  if (!found.entry) {
    dlclose(module);
    error = "no entry point";
  }
#endif
  return found;
}

// What a plug-in's configure function calls back: the answer lives here
// until the next question.
struct SettingsContext {
  const PluginSettings* settings = nullptr;
  std::string answer;
};

const char* answerSetting(void* context, const char* key) {
  auto* c = static_cast<SettingsContext*>(context);
  if (!key || !c->settings || !*c->settings) return nullptr;
  c->answer = (*c->settings)(key);
  return c->answer.empty() ? nullptr : c->answer.c_str();
}

class PluginDecoder final : public Decoder {
 public:
  PluginDecoder(const youran_decoder_plugin_table* table, void* handle, StreamFormat info,
                std::vector<uint8_t> memory)
      : table_(table), handle_(handle), info_(info), memory_(std::move(memory)) {}
  ~PluginDecoder() override { table_->close(handle_); }

  StreamFormat format() const override { return info_; }

  int read(float* out, int maxFrames) override {
    if (ended_) return 0;
    scratch_.resize(size_t(maxFrames) * info_.channels);
    int64_t got = table_->read(handle_, scratch_.data(), maxFrames);
    if (got <= 0 || got > maxFrames) {
      ended_ = true;
      return 0;
    }
    int64_t n = got * info_.channels;
    for (int64_t i = 0; i < n; ++i) out[i] = scratch_[i] * (1.0f / 32768.0f);
    return static_cast<int>(got);
  }

  bool seek(int64_t frame) override {
    ended_ = false;
    return table_->seek(handle_, std::max<int64_t>(0, frame)) == 0;
  }

 private:
  const youran_decoder_plugin_table* table_;
  void* handle_;
  StreamFormat info_;
  std::vector<uint8_t> memory_;  // what a memory-opened handle reads from
  std::vector<int16_t> scratch_;
  bool ended_ = false;
};

std::unique_ptr<Decoder> openWith(const youran_decoder_plugin_table* table, const DecoderSource& source) {
  std::vector<uint8_t> memory;
  void* handle = nullptr;
  if (!source.path.empty()) {
    handle = table->open(source.path.c_str(), nullptr, 0);
  } else {
    memory.assign(source.memory.begin(), source.memory.end());
    handle = table->open(nullptr, memory.data(), memory.size());
  }
  if (!handle) return nullptr;
  youran_decoder_info info{};
  if (table->info(handle, &info) != 0 || info.sample_rate <= 0 || info.sample_rate > 1'000'000 ||
      info.channels < 1 || info.channels > 8) {
    table->close(handle);
    return nullptr;
  }
  StreamFormat format{info.sample_rate, info.channels, info.length_frames >= 0 ? info.length_frames : -1};
  return std::make_unique<PluginDecoder>(table, handle, format, std::move(memory));
}

}  // namespace

bool PluginDecoders::load(const std::string& path, const PluginSettings& settings) {
  std::lock_guard guard(lock_);
  for (const auto& p : plugins_) {
    if (p.path == path) return true;
  }
  std::string error;
  PluginEntry found = loadLibrarySymbols(path, error);
  if (!found.entry) {
    logWarning(kLog, "plug-in " + path + ": " + error);
    return false;
  }
  if (found.configure) {
    SettingsContext context{&settings, {}};
    reinterpret_cast<youran_decoder_plugin_configure_fn>(found.configure)(answerSetting, &context);
  }
  auto fn = reinterpret_cast<youran_decoder_plugin_fn>(found.entry);
  const youran_decoder_plugin_table* table = fn();
  if (!table) {
    logWarning(kLog, "plug-in " + path + ": it cannot work here (see its message)");
    return false;
  }
  if (table->abi_version != YOURAN_DECODER_ABI_VERSION ||
      table->table_size < sizeof(youran_decoder_plugin_table) || !table->open || !table->info ||
      !table->read || !table->seek || !table->close) {
    logWarning(kLog, "plug-in " + path + ": unsupported interface version");
    return false;
  }
  Plugin plugin{path, table, {}};
  for (auto ext = table->extensions; ext && *ext; ++ext) {
    std::string e = *ext;
    for (auto& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    plugin.extensions.push_back(std::move(e));
  }
  plugins_.push_back(std::move(plugin));
  return true;
}

std::unique_ptr<Decoder> PluginDecoders::open(const DecoderSource& source) const {
  std::vector<const youran_decoder_plugin_table*> candidates;
  {
    std::lock_guard guard(lock_);
    std::string ext = source.path.empty() ? std::string{} : lowerExtension(source.path);
    for (const auto& p : plugins_) {
      bool claims = std::find(p.extensions.begin(), p.extensions.end(), ext) != p.extensions.end();
      if (source.path.empty() || claims) candidates.push_back(p.table);
    }
  }
  if (source.path.empty() && source.memory.empty()) return nullptr;
  for (auto table : candidates) {
    if (auto decoder = openWith(table, source)) return decoder;
  }
  return nullptr;
}

size_t PluginDecoders::count() const {
  std::lock_guard guard(lock_);
  return plugins_.size();
}

}  // namespace youran
