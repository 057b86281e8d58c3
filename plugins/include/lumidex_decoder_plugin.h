/*
 * Lumidex decoder plug-ins: the interface a shared library implements so that
 * the editor's first decoder ("BASS") plays more sound formats.
 *
 * A plug-in is a shared library (ELF .so) placed in the program's plug-in
 * folder: `plugins/` beside the executable, or `lib/lumidex/plugins/` in an
 * installed tree (`<prefix>/lib/lumidex/plugins`). Nothing else is loaded:
 * not the working directory, not a path from the environment. The program
 * loads every `*.so` there at start-up, in file-name order, and asks each in
 * turn to open a sound that its own decoders (WAV, AIFF, FLAC, Ogg Vorbis,
 * Opus, MP3) do not read.
 *
 * The library exports one C function, LUMIDEX_DECODER_ENTRY_NAME:
 *
 *     const lumidex_decoder_plugin* lumidex_decoder_entry(void);
 *
 * answering a table that lives as long as the library stays loaded. The host
 * reads abi_version first and refuses (skips) the library when it is not the
 * version the host was built with; the rest of the table is read only then.
 * A plug-in built against this header sets abi_version to
 * LUMIDEX_DECODER_ABI_VERSION.
 *
 * Writing one:
 *
 *     #include "lumidex_decoder_plugin.h"
 *     static const char* const formats[] = {"My Format", NULL};
 *     static const lumidex_decoder_plugin table = {
 *         LUMIDEX_DECODER_ABI_VERSION, "my-format", "1.0", formats,
 *         my_probe, my_open, my_read, my_seek, my_length, my_close};
 *     LUMIDEX_DECODER_EXPORT const lumidex_decoder_plugin* lumidex_decoder_entry(void) {
 *         return &table;
 *     }
 *
 *     cc -shared -fPIC -fvisibility=hidden -o my-format.so my-format.c
 *
 * Export the entry function and nothing else (a C++ plug-in: link with a
 * version script naming only lumidex_decoder_entry). A library exporting more
 * may have other libraries bind to its symbols, and then it can never be
 * unloaded.
 *
 * Samples are 32-bit floats, nominally -1..1, interleaved (channel 0 of frame 0,
 * channel 1 of frame 0, ...). A frame is one sample of every channel. Frame 0 is
 * the first frame of the music itself: a plug-in removes whatever the encoder
 * added before it (priming, pre-skip, decoder delay) and after its end
 * (padding), so a sound decodes on the same frame as the uncompressed original.
 *
 * Threads: probe and open may be called from any thread, also at the same
 * time. One decoder is used by one thread at a time (possibly a different one
 * from call to call); different decoders may be used at the same time.
 *
 * Safety: the bytes come from files anyone may hand an author. A plug-in
 * must refuse damaged or hostile data (open answers NULL, read answers fewer
 * frames) rather than crash, loop without end or allocate without bound;
 * decoding a sound should claim no more memory than its decoded length.
 * It must not open other files or network locations named inside the data.
 */
#ifndef LUMIDEX_DECODER_PLUGIN_H
#define LUMIDEX_DECODER_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this interface. A change to the table or to the meaning of
 * a call gives a new number; the host loads only plug-ins of its own. */
#define LUMIDEX_DECODER_ABI_VERSION 1u

/* The name of the entry function the host looks up. */
#define LUMIDEX_DECODER_ENTRY_NAME "lumidex_decoder_entry"

#define LUMIDEX_DECODER_EXPORT __attribute__((visibility("default")))

/* Why open refused the bytes. */
enum {
    LUMIDEX_DECODER_OK = 0,
    LUMIDEX_DECODER_ERROR_FORMAT = 1, /* not a format this plug-in reads, or damaged */
    LUMIDEX_DECODER_ERROR_MEMORY = 2  /* out of memory */
};

/* One open sound; the plug-in's own type. */
typedef struct lumidex_decoder lumidex_decoder;

/* What open found. */
typedef struct lumidex_sound_info {
    int32_t sample_rate; /* frames per second, 1 .. 768000 */
    int32_t channels;    /* 1 .. 32 */
    int64_t frames; /* length in frames, priming and padding removed, as far as the file tells */
} lumidex_sound_info;

typedef struct lumidex_decoder_plugin {
    /* LUMIDEX_DECODER_ABI_VERSION. Always the first member, in every version. */
    uint32_t abi_version;
    /* The plug-in's name and version, shown to the user ("ffmpeg", "1.0"). */
    const char* name;
    const char* version;
    /* The formats it reads, for the user: a NULL-terminated list of names
     * ("AAC", "Opus", ...). */
    const char* const* formats;

    /* Non-zero when the bytes may be a format this plug-in reads. Cheap: looks
     * only at the first bytes. size may be 0. */
    int (*probe)(const void* data, size_t size);

    /* Opens a whole file image held in memory. The bytes stay untouched and
     * valid until close; the plug-in reads them in place. Fills info and
     * answers a decoder at frame 0, or NULL with *error set to a
     * LUMIDEX_DECODER_ERROR_... code (error may be NULL). */
    lumidex_decoder* (*open)(const void* data, size_t size, lumidex_sound_info* info, int* error);

    /* Decodes up to `frames` frames into out (room for frames x channels
     * floats). Answers the frames written; fewer than asked only at the end
     * of the sound or when the data cannot be decoded any further. */
    int64_t (*read)(lumidex_decoder* decoder, float* out, int64_t frames);

    /* Moves to a frame (0 .. length) so that the next read starts with exactly
     * that frame, as a read from frame 0 would have decoded it. Non-zero on
     * success; on failure the next read answers 0. */
    int (*seek)(lumidex_decoder* decoder, int64_t frame);

    /* The length in frames as the plug-in knows it now (info.frames at first). */
    int64_t (*length)(lumidex_decoder* decoder);

    /* Frees the decoder. NULL is allowed. */
    void (*close)(lumidex_decoder* decoder);
} lumidex_decoder_plugin;

/* The type of the entry function. */
typedef const lumidex_decoder_plugin* (*lumidex_decoder_entry_fn)(void);

#ifdef __cplusplus
}
#endif

#endif /* LUMIDEX_DECODER_PLUGIN_H */
