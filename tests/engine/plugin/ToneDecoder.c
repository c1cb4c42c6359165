/* Test plug-in: decodes ".tone" files ("FREQUENCY_HZ SAMPLE_RATE CHANNELS
   SECONDS") into a sine of amplitude 0.5 on every channel. */
#include "VexoPlugin.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

typedef struct Tone {
    double frequencyHz;
    int rate;
    int channels;
    int64_t lengthFrames;
    int64_t position;
} Tone;

static void* toneOpen(const char* path, VexoDecoderInfo* info) {
    FILE* file = fopen(path, "r");
    if (!file) return NULL;
    Tone t = {0};
    double seconds = 0;
    const int fields = fscanf(file, "%lf %d %d %lf", &t.frequencyHz, &t.rate, &t.channels, &seconds);
    fclose(file);
    if (fields != 4 || t.rate <= 0 || t.channels <= 0 || seconds <= 0) return NULL;
    t.lengthFrames = (int64_t)(seconds * t.rate);
    Tone* tone = malloc(sizeof *tone);
    if (!tone) return NULL;
    *tone = t;
    info->sampleRate = t.rate;
    info->channels = t.channels;
    info->lengthFrames = t.lengthFrames;
    info->bitrateKbps = 0;
    info->codec = "tone";
    return tone;
}

static int toneRead(void* state, float* out, int frames) {
    Tone* t = state;
    int n = 0;
    for (; n < frames && t->position < t->lengthFrames; ++n, ++t->position) {
        const float v = (float)(0.5 * sin(2.0 * M_PI * t->frequencyHz * (double)t->position / t->rate));
        for (int c = 0; c < t->channels; ++c)
            out[n * t->channels + c] = v;
    }
    return n;
}

static int toneSeek(void* state, int64_t frame) {
    Tone* t = state;
    if (frame < 0 || frame > t->lengthFrames) return -1;
    t->position = frame;
    return 0;
}

static void toneClose(void* state) {
    free(state);
}

static const char* toneTag(void* state, const char* key) {
    (void)state;
    return key[0] == 't' && key[1] == 'i' ? "Plug-in tone" : NULL;
}

__attribute__((visibility("default"))) int vexo_plugin_register(const VexoPluginHost* host) {
    if (host->apiVersion != VEXO_PLUGIN_API_VERSION) return 0;
    const VexoDecoderFunctions functions = {toneOpen, toneRead, toneSeek, toneClose, toneTag};
    return host->registerDecoder(host->context, ".tone", &functions);
}
