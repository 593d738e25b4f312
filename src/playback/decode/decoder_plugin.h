/* Decoder plug-in interface: a shared library (Plugins/cod_*.so, .dll on
 * Windows) exports one C function, youran_decoder_plugin, that returns a
 * pointer to a static table, or NULL when the plug-in cannot work here (it
 * is then not used). The engine reads the table once when the library is
 * loaded and keeps the library loaded until the process ends.
 *
 * A plug-in with settings of its own also exports
 * youran_decoder_plugin_configure; the engine calls it once, before
 * youran_decoder_plugin, on the thread that loads the library.
 *
 * Threading: `open` may be called from several threads at once. All calls on
 * one handle (info, read, seek, close) are serialised by the engine, but
 * successive calls may come from different threads (the caller's thread while
 * the stream is created or measured, the stream's decoding thread while it
 * plays). Different handles are used concurrently. A plug-in keeps no
 * process-wide mutable state without its own locking.
 *
 * Samples are signed 16-bit, interleaved, at the stream's own rate.
 */
#ifndef YOURAN_PLAYBACK_DECODER_PLUGIN_H
#define YOURAN_PLAYBACK_DECODER_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define YOURAN_DECODER_ABI_VERSION 1u

typedef struct youran_decoder_info {
  int32_t sample_rate;   /* frames per second, > 0 */
  int32_t channels;      /* 1..8 */
  int64_t length_frames; /* -1 when unknown */
} youran_decoder_info;

typedef struct youran_decoder_plugin_table {
  uint32_t abi_version; /* YOURAN_DECODER_ABI_VERSION */
  uint32_t table_size;  /* sizeof(youran_decoder_plugin_table) */
  const char* name;
  /* Extensions the plug-in claims, lower case without the dot, ended by NULL. */
  const char* const* extensions;
  /* Either path (UTF-8) is non-NULL, or memory/memory_size describe the
   * whole file; the memory stays valid until close. NULL when the plug-in
   * does not recognise the data. */
  void* (*open)(const char* path, const uint8_t* memory, size_t memory_size);
  /* 0 on success. */
  int (*info)(void* handle, youran_decoder_info* out);
  /* Writes up to max_frames frames; returns frames written, 0 at the end,
   * negative on an error (treated as the end). */
  int64_t (*read)(void* handle, int16_t* out, int64_t max_frames);
  /* Positions the next read at `frame` exactly; 0 on success. */
  int (*seek)(void* handle, int64_t frame);
  void (*close)(void* handle);
} youran_decoder_plugin_table;

typedef const youran_decoder_plugin_table* (*youran_decoder_plugin_fn)(void);

/* Answers a plug-in setting (a key of section Plugins in Setting.ini) as
 * UTF-8, or NULL when it is not set. Callable only during configure; an
 * answer stays valid until the next call. */
typedef const char* (*youran_decoder_setting_fn)(void* context, const char* key);
typedef void (*youran_decoder_plugin_configure_fn)(youran_decoder_setting_fn setting, void* context);

#define YOURAN_DECODER_PLUGIN_SYMBOL "youran_decoder_plugin"
#define YOURAN_DECODER_PLUGIN_CONFIGURE_SYMBOL "youran_decoder_plugin_configure"

#ifdef __cplusplus
}
#endif

#endif
