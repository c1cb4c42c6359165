#ifndef VEXO_PLUGIN_H
#define VEXO_PLUGIN_H
/*
 * Decoder plug-ins: a shared object in the player's Plugins/ folder that adds
 * file formats.
 *
 * The engine dlopens the file and calls its one exported entry point,
 * vexo_plugin_register(), on the GUI thread. The plug-in calls
 * host->registerDecoder() once per decoder it offers and returns nonzero on
 * success. A file that does not load, lacks the entry point, returns 0 or
 * registers nothing is ignored. Plug-ins are never unloaded while the program
 * runs, so their functions and the texts they return may be static.
 *
 * A decoder turns a local file into interleaved 32-bit float PCM, -1.0..1.0,
 * at the file's own rate and channel count; the engine resamples and mixes it
 * to the output. Its functions are called from one thread at a time (first
 * the GUI thread for open and tags, then the engine's decoder thread), never
 * from the audio callback, so they may block on the file.
 *
 * Plain C, so that a plug-in can be written in any language with a C ABI.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VEXO_PLUGIN_API_VERSION 1

/* What open() tells about the file. */
typedef struct VexoDecoderInfo {
    int sampleRate;       /* Hz, > 0 */
    int channels;         /* 1..8 */
    int64_t lengthFrames; /* frames per channel; 0 when unknown */
    uint32_t bitrateKbps; /* average; 0 when unknown */
    const char* codec;    /* short name shown to the user, e.g. "tone"; may be NULL */
} VexoDecoderInfo;

typedef struct VexoDecoderFunctions {
    /* Opens `path` (bytes as the file system holds them) and fills `info`.
       Returns the decoder's own state, or NULL when the file is not its kind. */
    void* (*open)(const char* path, VexoDecoderInfo* info);
    /* Writes up to `frames` interleaved frames to `out`; returns how many,
       0 at the end of the file, < 0 on an error (treated as the end). */
    int (*read)(void* decoder, float* out, int frames);
    /* Moves to frame `frame` from the start; returns 0 on success. */
    int (*seek)(void* decoder, int64_t frame);
    void (*close)(void* decoder);
    /* Optional (may be NULL): the tag named by `key` ("title", "artist",
       "album", "track", "genre", "date", "comment") as UTF-8, or NULL when
       missing. The text must stay valid until close(). */
    const char* (*tag)(void* decoder, const char* key);
} VexoDecoderFunctions;

typedef struct VexoPluginHost {
    uint32_t apiVersion; /* VEXO_PLUGIN_API_VERSION of the engine */
    void* context;       /* pass back to registerDecoder */
    /* `extensions`: space-separated, with the dot, case-insensitive, e.g.
       ".tone .tn". The function table is copied. Returns nonzero when accepted. */
    int (*registerDecoder)(void* context, const char* extensions, const VexoDecoderFunctions* functions);
} VexoPluginHost;

/* The entry point every plug-in exports. */
typedef int (*VexoPluginRegisterFn)(const VexoPluginHost* host);
#define VEXO_PLUGIN_ENTRY_POINT "vexo_plugin_register"

#ifdef __cplusplus
}
#endif

#endif
