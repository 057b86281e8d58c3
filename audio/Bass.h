#pragma once
// The BASS 2.4 calls the editor makes, as our own layer over the mixer.
//
// Streams are created from a file image in memory and decoded with
// libsndfile while they play: WAV (PCM, float and the other codecs libsndfile
// reads inside WAV), AIFF, FLAC, Ogg Vorbis, Opus and MP3. What those do not
// read is offered to each loaded decoder plug-in in load order
// (plugins/include/lumidex_decoder_plugin.h); what none reads is refused with
// BASS_ERROR_FILEFORM. The image is read in place and must stay untouched
// until the stream is freed.
//
// Positions and lengths are byte counts of the decoded PCM, 16-bit unless the
// stream was created with BASS_SAMPLE_8BITS or BASS_SAMPLE_FLOAT: a 44100 Hz
// stereo stream has 176400 bytes per second. Positions read while playing
// are those being heard, taken from the audio clock.
//
// Differences from the library: only the default device (-1 or 1) exists;
// file-name streams (mem = FALSE) are not offered; a position set past the
// end moves the stream to its end, so playing it ends at once; plug-ins load
// only from the program's own plug-in folder (bassPluginFolder) and are
// Lumidex decoder plug-ins, not the library's; a freed plug-in stays loaded
// until the last stream created through it is freed. Every call is
// thread-safe; BASS_ErrorGetCode answers for the calling thread.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;
typedef DWORD HPLUGIN;
typedef DWORD HSAMPLE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr DWORD BASSVERSION = 0x204;  // the high word of BASS_GetVersion

// Error codes.
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;        // out of memory
constexpr int BASS_ERROR_FILEOPEN = 2;   // the file could not be opened
constexpr int BASS_ERROR_DRIVER = 3;     // no usable output device
constexpr int BASS_ERROR_HANDLE = 5;     // not a valid handle
constexpr int BASS_ERROR_POSITION = 7;   // a position mode that is not offered
constexpr int BASS_ERROR_INIT = 8;       // BASS_Init has not succeeded
constexpr int BASS_ERROR_ALREADY = 14;   // already initialised
constexpr int BASS_ERROR_ILLTYPE = 19;   // an attribute that is not offered
constexpr int BASS_ERROR_ILLPARAM = 20;  // an invalid parameter
constexpr int BASS_ERROR_DEVICE = 23;    // no such device
constexpr int BASS_ERROR_NOTAVAIL = 37;  // not offered by this layer
constexpr int BASS_ERROR_FILEFORM = 41;  // not a format this layer decodes
constexpr int BASS_ERROR_VERSION = 43;   // a plug-in of another interface version
constexpr int BASS_ERROR_UNKNOWN = -1;

// Flags.
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_FLOAT = 256;
constexpr DWORD BASS_UNICODE = 0x80000000;

// BASS_ChannelIsActive.
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;

// Attributes.
// The playing frequency in Hz, a speed relative to 44100 (PlayingFrequency.h):
// at 44100 a stream plays at its file's own rate, at 88200 twice as fast. 0
// sets 44100. Reading it answers the playing frequency, 44100 until set.
constexpr DWORD BASS_ATTRIB_FREQ = 1;
constexpr DWORD BASS_ATTRIB_VOL = 2;  // 0 silent, 1 full (more amplifies)

// Position modes.
constexpr DWORD BASS_POS_BYTE = 0;

// Channel types reported by BASS_ChannelGetInfo.
constexpr DWORD BASS_CTYPE_STREAM_OGG = 0x10002;
constexpr DWORD BASS_CTYPE_STREAM_MP3 = 0x10005;
constexpr DWORD BASS_CTYPE_STREAM_AIFF = 0x10006;
constexpr DWORD BASS_CTYPE_STREAM_WAV_PCM = 0x50001;
constexpr DWORD BASS_CTYPE_STREAM_WAV_FLOAT = 0x50003;
constexpr DWORD BASS_CTYPE_STREAM_FLAC = 0x10900;
constexpr DWORD BASS_CTYPE_STREAM_OPUS = 0x11200;
constexpr DWORD BASS_CTYPE_STREAM_PLUGIN = 0x1f000;  // decoded by a plug-in: see info.plugin
constexpr DWORD BASS_ORIGRES_FLOAT = 0x10000;

struct BASS_INFO {
    DWORD flags;
    DWORD hwsize;
    DWORD hwfree;
    DWORD freesam;
    DWORD free3d;
    DWORD minrate;
    DWORD maxrate;
    BOOL eax;
    DWORD minbuf;
    DWORD dsver;    // DirectSound version: 0, there is none here
    DWORD latency;  // milliseconds from the render head to the speaker
    DWORD initflags;
    DWORD speakers;
    DWORD freq;  // output rate
};

struct BASS_CHANNELINFO {
    DWORD freq;  // the file's own sample rate
    DWORD chans;
    DWORD flags;    // BASS_SAMPLE_8BITS / BASS_SAMPLE_FLOAT as created
    DWORD ctype;    // BASS_CTYPE_STREAM_...
    DWORD origres;  // bits per sample in the file (| BASS_ORIGRES_FLOAT), 0 when compressed
    HPLUGIN plugin;
    HSAMPLE sample;
    const char* filename;  // null: streams come from memory
};

// 0x02040000 and up: version 2.4.
DWORD BASS_GetVersion();
// device -1 (or 1) is the default output; freq the output rate. win and
// dsguid are not used.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
// Frees every stream and the output.
BOOL BASS_Free();
// Loads a decoder plug-in from the plug-in folder; file is UTF-16 with
// BASS_UNICODE, UTF-8 without. Errors: BASS_ERROR_FILEOPEN (outside the
// folder, missing or unreadable), BASS_ERROR_FILEFORM (not a plug-in),
// BASS_ERROR_VERSION (another interface version), BASS_ERROR_ALREADY.
HPLUGIN BASS_PluginLoad(const void* file, DWORD flags);
// 0 frees every plug-in. A plug-in still decoding a stream is unloaded when
// that stream is freed; no new stream uses it.
BOOL BASS_PluginFree(HPLUGIN handle);

// mem must be TRUE: file points to the image, length is its size in bytes
// (offset is not used, as with the library's memory streams).
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

// Plays from the current position (from 0 with restart).
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// Stops where it is.
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
// (QWORD)-1 on error.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
// Negative on error.
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_GetInfo(BASS_INFO* info);
int BASS_ErrorGetCode();

namespace lumidex::audio {

// The mixer stream behind a BASS stream, 0 for none: for scheduling a stream
// to the sample through the mixer (Mixer::playAt, Mixer::frameReaching).
uint32_t bassMixerStream(HSTREAM handle);

// The program's own plug-in folder, the only place BASS_PluginLoad takes
// plug-ins from (canonical path): plugins/ beside the executable, else
// ../lib/lumidex/plugins from it (an installed tree). Empty when neither exists.
QString bassPluginFolder();
// Tests: another folder instead of the program's own; empty restores it.
void setBassPluginFolder(const QString& folder);

// The plug-ins loaded, in load order.
struct BassPluginInfo {
    HPLUGIN handle = 0;
    QString file;  // canonical path
    QString name;
    QString version;
    QStringList formats;
};
std::vector<BassPluginInfo> bassPlugins();

// The files BASS_PluginLoad refused (since the last BASS_PluginFree(0)), with
// the reason, by file name.
struct BassPluginSkip {
    QString file;
    QString reason;
};
std::vector<BassPluginSkip> bassPluginSkips();

}  // namespace lumidex::audio
