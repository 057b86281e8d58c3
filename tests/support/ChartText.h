#pragma once
// The text of a chart file, for tests that write charts to open: the
// records the editor writes, one a line, with CRLF line ends.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

#include "ChartDocument.h"

namespace lumidex::test {

struct Note {
    double coord;
    int kind;
    int key = 0;
};

struct ChartText {
    explicit ChartText(QString name_ = QStringLiteral("Song"), double bpm_ = 150,
                       QString music_ = QStringLiteral("song.mp3"), double delay_ = 0,
                       int length_ = -1, std::vector<KeySound> keys_ = {},
                       std::vector<Note> notes_ = {})
        : name(std::move(name_)),
          bpm(bpm_),
          music(std::move(music_)),
          delay(delay_),
          length(length_),
          keys(std::move(keys_)),
          notes(std::move(notes_)) {}

    QString name;
    double bpm;
    QString music;
    double delay;
    int length;  // no LENGTH record when negative
    std::vector<KeySound> keys;
    std::vector<Note> notes;
    QString more;  // further records, after the key sounds

    QByteArray bytes() const {
        QString t = QStringLiteral(
                        "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n"
                        "<TITLE Name=\"%1\">\r\n<BPM Frame=\"0\" BPM=\"%2\"></BPM>\r\n"
                        "<BGM Name=\"%3\" Volume=\"1.00\"></BGM>\r\n"
                        "<DELAY Value=\"%4\"></DELAY>\r\n")
                        .arg(name)
                        .arg(bpm)
                        .arg(music)
                        .arg(delay);
        if (length >= 0) t += QStringLiteral("<LENGTH Value=\"%1\"></LENGTH>\r\n").arg(length);
        for (const KeySound& k : keys)
            t += QStringLiteral("<EFFECT Snd=\"%1\" Volume=\"%2\"></EFFECT>\r\n")
                     .arg(k.Snd, k.Volume);
        t += more;
        for (const Note& n : notes)
            t += QStringLiteral(
                     "<AREA Coord=\"%1\" Kind=\"%2\" Level=\"5\" FxSndIndex=\"%3\"></AREA>\r\n")
                     .arg(n.coord)
                     .arg(n.kind)
                     .arg(n.key);
        return (t + QStringLiteral("</TITLE>\r\n")).toUtf8();
    }
};

}  // namespace lumidex::test
