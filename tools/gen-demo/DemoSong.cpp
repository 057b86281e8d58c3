#include "DemoSong.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "ChartFile.h"
#include "ScriptedDialogs.h"

namespace lumidex::demo {

namespace {

// Tempo map in beats: 120 BPM, then 150 BPM from beat 24; beats 40 to 47
// scroll at double speed (the music keeps 150).
constexpr double kTempoA = 120, kTempoB = 150, kChangeBeat = 24;
constexpr double kFastFrom = 40, kFastTo = 48, kFastSpeed = 300;
constexpr double kLastBeat = 56;  // end of the music's last bar
constexpr double kMp3Compression = 0.9;

// Key sound numbers in demoKeys() order.
enum Key : int16_t { Kick = 1, Snare, Hat, Clap, PluckA, PluckC, PluckE, Long, Chime };

int coordOf(double beat) {
    return static_cast<int>(beat * kCoordsPerBeat);
}

// Chords of the backing, one per bar of four beats: Am F C G, as MIDI notes.
struct Chord {
    int root;
    std::vector<int> notes;
};
const std::vector<Chord>& progression() {
    static const std::vector<Chord> chords = {
        {45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};
    return chords;
}

std::vector<double> frequencies(const std::vector<int>& notes) {
    std::vector<double> out;
    for (int n : notes) out.push_back(noteFrequency(n));
    return out;
}

void fillHeader(ChartDocument& doc) {
    HeaderTexts& h = doc.Header;
    h.Name = QStringLiteral("Lumidex Demo");
    h.BPM = QStringLiteral("120");
    h.BPMO = QStringLiteral("120");
    h.BGM = kMusicSnd;
    h.BGMVolume = QStringLiteral("1.00");
    h.Delay = QStringLiteral("0");
    h.LongCorrectVal = QStringLiteral("4");
    h.Length = QString::number(doc.LastCoord);
}

bool writeSound(const SoundBuffer& sound, const QString& path, bool mp3, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool written = mp3 ? sound.writeMp3(path, kMp3Compression) : sound.writeWav(path);
    if (!written) *error = QStringLiteral("cannot write ") + path;
    return written;
}

}  // namespace

// The notes keep the gaps authors are asked to keep (a beat behind a diagonal
// note, a bar behind the tower), so checking the demo chart finds nothing.
const std::vector<DemoNote>& demoNotes() {
    static const std::vector<DemoNote> notes = {
        // 120 BPM
        {2, 5, Chime},
        {4, 20, PluckA},
        {5, 21, PluckC},
        {6, 22, PluckE},
        {7, 23, PluckC},
        {8, 16, Kick},
        {9, 17, Snare},
        {10, 18, Kick},
        {10.5, 26, Hat},
        {11, 19, Snare},
        {11.5, 27, Hat},
        {12, 128, Long},
        {14, 130, 0},
        {15, 16, Kick},
        {16, 131, Long},
        {18, 133, 0},
        {19, 5, Chime},
        {20, 32, Clap},
        {21, 33, Clap},
        {22, 34, Snare},
        {23, 20, PluckA},
        // 150 BPM
        {24, 134, Long},
        {26, 136, 0},
        {27, 21, PluckC},
        {28, 22, PluckE},
        {28.5, 5, PluckC},
        {29, 20, PluckA},
        {30, 26, Hat},
        {30.5, 27, Hat},
        {31, 16, Kick},
        {32, 137, Long},
        {34, 139, 0},
        {35, 16, Kick},
        {35.5, 17, Snare},
        {36, 140, Long},
        {38, 142, 0},
        {39, 18, Kick},
        // double scroll speed
        {40, 32, Clap},
        {41, 19, Snare},
        {42, 20, PluckA},
        {43, 21, PluckC},
        {44, 22, PluckE},
        {45, 23, PluckC},
        {46, 33, Clap},
        {47, 34, Snare},
        // back to normal speed
        {48, 143, Long},
        {50, 145, 0},
        {51, 5, Chime},
        {52, 16, Kick},
        {53, 26, Hat},
        {54, 27, Hat},
        {55, 24, Kick},
    };
    return notes;
}

const std::vector<DemoKey>& demoKeys() {
    static const std::vector<DemoKey> keys = {
        {QStringLiteral("demo/kick.wav"), QStringLiteral("1.00"), kick},
        {QStringLiteral("demo/snare.wav"), QStringLiteral("1.00"), snare},
        {QStringLiteral("demo/hat.wav"), QStringLiteral("0.80"), hat},
        {QStringLiteral("demo/clap.wav"), QStringLiteral("1.00"), clap},
        {QStringLiteral("demo/pluck_a.wav"), QStringLiteral("1.00"),
         [] { return pluck(noteFrequency(69)); }},
        {QStringLiteral("demo/pluck_c.wav"), QStringLiteral("1.00"),
         [] { return pluck(noteFrequency(72)); }},
        {QStringLiteral("demo/pluck_e.wav"), QStringLiteral("1.00"),
         [] { return pluck(noteFrequency(76)); }},
        {QStringLiteral("demo/long.wav"), QStringLiteral("1.00"),
         [] { return longTone(noteFrequency(57), 0.7); }},
        {QStringLiteral("demo/chime.wav"), QStringLiteral("1.00"),
         [] { return chime(noteFrequency(81)); }},
    };
    return keys;
}

double beatSeconds(double beat) {
    if (beat <= kChangeBeat) return beat * 60 / kTempoA;
    return kChangeBeat * 60 / kTempoA + (beat - kChangeBeat) * 60 / kTempoB;
}

void buildChart(ChartDocument& doc) {
    doc.InitArea();
    doc.fillSpeedTempoFrom(0, kTempoA, kTempoA);
    doc.fillSpeedTempoFrom(coordOf(kChangeBeat), kTempoB, kTempoB);
    doc.fillSpeedTempoFrom(coordOf(kFastFrom), kFastSpeed, kTempoB);
    doc.fillSpeedTempoFrom(coordOf(kFastTo), kTempoB, kTempoB);

    doc.LastCoord = 0;
    for (const DemoNote& note : demoNotes()) {
        doc.setNote(coordOf(note.beat), note.kind, note.key);
        doc.LastCoord = std::max(doc.LastCoord, coordOf(note.beat));
    }
    doc.Delay = 0;
    doc.LongCorrection = 4;
    doc.keySound(0) = {kMusicSnd, QStringLiteral("1.00")};
    doc.KeyCount = static_cast<int32_t>(demoKeys().size());
    for (int k = 1; k <= doc.KeyCount; ++k) {
        const DemoKey& key = demoKeys()[static_cast<size_t>(k - 1)];
        doc.keySound(k) = {key.snd, key.volume};
    }
    fillHeader(doc);
}

SoundBuffer renderMusic() {
    SoundBuffer music(beatSeconds(kLastBeat) + 1.5, 2);
    Noise noise;
    const auto& chords = progression();
    for (int bar = 0; bar * 4 < kLastBeat; ++bar) {
        const Chord& chord = chords[static_cast<size_t>(bar) % chords.size()];
        const double start = beatSeconds(bar * 4);
        addPad(music, start, beatSeconds(bar * 4 + 4) - start + 0.25, frequencies(chord.notes),
               0.05f);
        for (int beat = bar * 4; beat < bar * 4 + 4; ++beat) {
            const double length = beatSeconds(beat + 1) - beatSeconds(beat);
            addBass(music, beatSeconds(beat), noteFrequency(chord.root), length * 0.9, 0.35f);
            if (beat >= 4) addShaker(music, beatSeconds(beat + 0.5), 0.25f, noise);
        }
    }
    // A closing chord rings out after the last bar.
    const Chord& last = chords.front();
    addPad(music, beatSeconds(kLastBeat), 1.4, frequencies(last.notes), 0.05f);
    addBass(music, beatSeconds(kLastBeat), noteFrequency(last.root), 1.2, 0.35f);
    music.normalize(0.7f, 0.3);
    return music;
}

bool writeDemo(const QString& gameDir, QString* error) {
    const QDir game(gameDir);
    const QString musicDir = game.filePath(kMusicFolder);
    if (!writeSound(renderMusic(), musicDir + kMusicSnd, true, error)) return false;
    for (const DemoKey& key : demoKeys())
        if (!writeSound(key.make(), musicDir + key.snd, false, error)) return false;

    ChartDocument doc;
    buildChart(doc);
    const QString chart = game.filePath(kChartPath);
    QDir().mkpath(QFileInfo(chart).absolutePath());
    ScriptedDialogs ui;  // answers Yes to "overwrite?"
    if (SaveFile(doc, chart, ui) != 1) {
        *error = QStringLiteral("cannot save ") + chart + QStringLiteral(": ") +
                 ui.messages().join(QStringLiteral(" / "));
        return false;
    }
    return true;
}

}  // namespace lumidex::demo
