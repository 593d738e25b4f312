#include "playback/output/pulse_output.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstring>
#include <utility>

#include "base/log.h"
#include "playback/output/sound_thread.h"

namespace youran {

namespace {

// A sink as the player names it, and as the server does.
struct Sink {
  std::string shown;
  std::string name;
};

pa_proplist* playerProperties() {
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "悠然音乐");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "youranmusic");
  pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
  return props;
}

void signalLoop(pa_context*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }

// Starts `loop` and connects a context on it; the loop's lock is held on
// return. Null, with the lock still held, when no server answers.
pa_context* connectContext(pa_threaded_mainloop* loop, void (*onState)(pa_context*, void*), void* userdata) {
  pa_threaded_mainloop_lock(loop);
  pa_proplist* props = playerProperties();
  pa_context* context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "悠然音乐", props);
  pa_proplist_free(props);
  if (!context) return nullptr;
  pa_context_set_state_callback(context, onState ? onState : &signalLoop, onState ? userdata : loop);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 || pa_threaded_mainloop_start(loop) < 0) {
    pa_context_unref(context);
    return nullptr;
  }
  for (;;) {
    pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) return context;
    if (!PA_CONTEXT_IS_GOOD(state)) break;
    pa_threaded_mainloop_wait(loop);
  }
  pa_context_disconnect(context);
  pa_context_unref(context);
  return nullptr;
}

// The sinks in the server's order, named as SDL named them.
std::vector<Sink> listSinks(pa_threaded_mainloop* loop, pa_context* context) {
  struct Listing {
    pa_threaded_mainloop* loop;
    std::vector<Sink> sinks;
    bool done = false;
  } listing{loop, {}};
  auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto* l = static_cast<Listing*>(data);
    if (eol != 0 || !info) {
      l->done = true;
      pa_threaded_mainloop_signal(l->loop, 0);
      return;
    }
    std::string shown = info->description ? info->description : info->name;
    int seen = 0;
    for (const Sink& s : l->sinks) seen += s.shown == shown || s.shown.rfind(shown + " (", 0) == 0;
    if (seen > 0) shown += " (" + std::to_string(seen + 1) + ")";
    l->sinks.push_back({shown, info->name});
  };
  pa_operation* op = pa_context_get_sink_info_list(context, onSink, &listing);
  if (!op) return {};
  while (!listing.done && pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(loop);
  pa_operation_unref(op);
  return listing.sinks;
}

// A whole connection for a question and its answer.
template <typename F>
auto withServer(F&& ask) -> decltype(ask(nullptr, nullptr)) {
  pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
  if (!loop) return {};
  pa_context* context = connectContext(loop, nullptr, nullptr);
  decltype(ask(nullptr, nullptr)) answer{};
  if (context) {
    answer = ask(loop, context);
    pa_context_disconnect(context);
    pa_context_unref(context);
  }
  pa_threaded_mainloop_unlock(loop);
  pa_threaded_mainloop_stop(loop);
  pa_threaded_mainloop_free(loop);
  return answer;
}

}  // namespace

bool PulseOutput::serverAnswers() {
  // Asked only once a context is connected.
  return withServer([](pa_threaded_mainloop*, pa_context*) { return true; });
}

std::vector<std::string> PulseOutput::deviceNames() {
  return withServer([](pa_threaded_mainloop* loop, pa_context* context) {
    std::vector<std::string> names;
    for (Sink& sink : listSinks(loop, context)) names.push_back(std::move(sink.shown));
    return names;
  });
}

bool PulseOutput::openDevice() {
  broken_ = false;
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) return false;
  context_ = connectContext(loop_, &PulseOutput::onContextState, this);
  if (!context_) {
    pa_threaded_mainloop_unlock(loop_);
    return false;
  }
  std::string sink;
  if (!wanted_.empty()) {
    for (const Sink& s : listSinks(loop_, context_)) {
      if (s.shown == wanted_) sink = s.name;
    }
    if (sink.empty()) logWarning("playback", "no sound device \"" + wanted_ + "\", using the default");
  }
  pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, uint32_t(rate_), 2};
  pa_channel_map map;
  pa_channel_map_init_stereo(&map);
  pa_proplist* props = playerProperties();
  stream_ = pa_stream_new_with_proplist(context_, "音乐", &spec, &map, props);
  pa_proplist_free(props);
  bool ready = false;
  if (stream_) {
    pa_stream_set_state_callback(stream_, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::onWrite, this);
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(pa_usec_t(kServerBufferMs) * PA_USEC_PER_MSEC, &spec));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(pa_usec_to_bytes(pa_usec_t(kRequestMs) * PA_USEC_PER_MSEC, &spec));
    attr.fragsize = uint32_t(-1);
    if (pa_stream_connect_playback(stream_, sink.empty() ? nullptr : sink.c_str(), &attr, PA_STREAM_ADJUST_LATENCY,
                                   nullptr, nullptr) == 0) {
      for (;;) {
        pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY) ready = true;
        if (state != PA_STREAM_CREATING) break;
        pa_threaded_mainloop_wait(loop_);
      }
    }
  }
  const std::string why = ready ? std::string() : pa_strerror(pa_context_errno(context_));
  pa_threaded_mainloop_unlock(loop_);
  if (!ready) logWarning("playback", "cannot open the sound device: " + why);
  return ready;
}

void PulseOutput::closeDevice() {
  if (!loop_) return;
  pa_threaded_mainloop_lock(loop_);
  if (stream_) {
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

void PulseOutput::start() {
  std::lock_guard guard(lock_);
  if (loop_) pa_threaded_mainloop_lock(loop_);
  started_ = true;
  if (loop_) pa_threaded_mainloop_unlock(loop_);
}

void PulseOutput::stop() {
  std::lock_guard guard(lock_);
  // Under libpulse's lock: a request being answered has finished, and the
  // next ones are answered with silence.
  if (loop_) pa_threaded_mainloop_lock(loop_);
  started_ = false;
  if (loop_) pa_threaded_mainloop_unlock(loop_);
}

// From libpulse's thread: a connection or stream that went bad wakes the
// watcher, and any change wakes a connect waiting for it.
void PulseOutput::noteState(bool good) {
  if (!good) {
    broken_ = true;
    wake_.notify_all();
  }
  pa_threaded_mainloop_signal(loop_, 0);
}

void PulseOutput::onContextState(pa_context* context, void* self) {
  static_cast<PulseOutput*>(self)->noteState(PA_CONTEXT_IS_GOOD(pa_context_get_state(context)));
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
  static_cast<PulseOutput*>(self)->noteState(PA_STREAM_IS_GOOD(pa_stream_get_state(stream)));
}

void PulseOutput::onWrite(pa_stream*, size_t bytes, void* self) { static_cast<PulseOutput*>(self)->fill(bytes); }

void PulseOutput::fill(size_t bytes) {
  raiseSoundThread();
  constexpr size_t kFrame = 2 * sizeof(float);
  while (bytes >= kFrame) {
    void* data = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data) return;
    size -= size % kFrame;
    if (size == 0) {
      pa_stream_cancel_write(stream_);
      return;
    }
    if (started_) {
      source_->render(static_cast<float*>(data), int(size / kFrame), false);
    } else {
      std::memset(data, 0, size);
    }
    if (pa_stream_write(stream_, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes -= size;
  }
}

}  // namespace youran
