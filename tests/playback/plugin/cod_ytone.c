/* A decoder plug-in for the tests: ".ytone" files describe a sine tone that
 * the plug-in synthesises.
 *
 * Layout, little-endian:
 *   0  "YTONE1\0\0"
 *   8  u32 sample rate
 *  12  u16 channels
 *  14  u16 amplitude (of 32767)
 *  16  u32 length in frames
 *  20  u32 frequency in Hz
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "playback/decode/decoder_plugin.h"

typedef struct tone {
  youran_decoder_info info;
  double frequency;
  double amplitude;
  int64_t at;
} tone;

static uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

static void* tone_open(const char* path, const uint8_t* memory, size_t size) {
  uint8_t head[24];
  if (path) {
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    size = fread(head, 1, sizeof head, f);
    fclose(f);
  } else {
    if (size > sizeof head) size = sizeof head;
    memcpy(head, memory, size);
  }
  if (size < sizeof head || memcmp(head, "YTONE1\0\0", 8) != 0) return NULL;
  tone* t = calloc(1, sizeof *t);
  if (!t) return NULL;
  t->info.sample_rate = (int32_t)le32(head + 8);
  t->info.channels = head[12] | head[13] << 8;
  t->amplitude = (head[14] | head[15] << 8) / 32767.0;
  t->info.length_frames = le32(head + 16);
  t->frequency = le32(head + 20);
  return t;
}

static int tone_info(void* handle, youran_decoder_info* out) {
  *out = ((tone*)handle)->info;
  return 0;
}

static int64_t tone_read(void* handle, int16_t* out, int64_t max_frames) {
  tone* t = handle;
  int64_t left = t->info.length_frames - t->at;
  int64_t n = left < max_frames ? left : max_frames;
  for (int64_t i = 0; i < n; ++i) {
    double v = t->amplitude * sin(2.0 * 3.14159265358979323846 * t->frequency * (double)(t->at + i) /
                                  t->info.sample_rate);
    for (int c = 0; c < t->info.channels; ++c) out[i * t->info.channels + c] = (int16_t)lrint(v * 32767.0);
  }
  t->at += n;
  return n;
}

static int tone_seek(void* handle, int64_t frame) {
  tone* t = handle;
  if (frame > t->info.length_frames) return -1;
  t->at = frame;
  return 0;
}

static void tone_close(void* handle) { free(handle); }

static const char* const tone_extensions[] = {"ytone", NULL};

static const youran_decoder_plugin_table tone_table = {
    YOURAN_DECODER_ABI_VERSION, sizeof(youran_decoder_plugin_table), "ytone", tone_extensions,
    tone_open, tone_info, tone_read, tone_seek, tone_close};

/* The same table claiming a future interface version: must be refused. */
static const youran_decoder_plugin_table future_table = {
    YOURAN_DECODER_ABI_VERSION + 1, sizeof(youran_decoder_plugin_table), "future", tone_extensions,
    tone_open, tone_info, tone_read, tone_seek, tone_close};

__attribute__((visibility("default"))) const youran_decoder_plugin_table* youran_decoder_plugin(void) {
#ifdef YTONE_FUTURE_ABI
  (void)tone_table;
  return &future_table;
#else
  (void)future_table;
  return &tone_table;
#endif
}
