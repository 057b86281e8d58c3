#pragma once
// Charts and files shared by the chart file tests.

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "ChartFile.h"
#include "FileIO.h"
#include "ScriptedDialogs.h"
#include "support/ChartText.h"
#include "support/FileHelpers.h"

namespace lumidex::test {

// The thirteen lines the example chart (below) is written as.
inline QByteArray exampleBytes() {
    const QStringList lines = {
        R"(<?xml version="1.0" encoding="gb18030"?>)",
        R"(<TITLE Name="Song">)",
        R"(<BPM Frame="0" BPM="150"></BPM>)",
        R"(<BGM Name="song.mp3" Volume="1.00"></BGM>)",
        R"(<DELAY Value="10"></DELAY>)",
        R"(<LENGTH Value="48"></LENGTH>)",
        R"(<EFFECT Snd="kick.wav" Volume="1.00"></EFFECT>)",
        R"(<AREA Coord="0" Kind="20" Level="5" FxSndIndex="1"></AREA>)",
        R"(<AREA Coord="12" Kind="26" Level="1" FxSndIndex="1" AutoPlay="1"></AREA>)",
        R"(<AREA Coord="24" Kind="128" Level="5" FxSndIndex="1"></AREA>)",
        R"(<AREA Coord="36" Kind="129" Level="5" FxSndIndex="0"></AREA>)",
        R"(<AREA Coord="48" Kind="130" Level="5" FxSndIndex="0"></AREA>)",
        R"(</TITLE>)"};
    return (lines.join("\r\n") + "\r\n").toLatin1();
}

// Tempo and speed 150 everywhere, one key sound, delay 10, notes at 0, 12
// (auto-play), and a long note from 24 to 48.
inline std::unique_ptr<ChartDocument> exampleChart() {
    auto doc = std::make_unique<ChartDocument>();
    doc->InitArea();
    doc->fillSpeedTempoFrom(0, 150, 150);
    doc->Header.Name = "Song";
    doc->Header.BPM = doc->Header.BPMO = "150";
    doc->Header.Length = "48";
    doc->keySound(0) = {"song.mp3", "1.00"};
    doc->keySound(1) = {"kick.wav", "1.00"};
    doc->KeyCount = 1;
    doc->Delay = 10;
    doc->LastCoord = 48;
    doc->setNote(0, 20, 1);
    doc->setNote(12, 5, 1);
    doc->setNote(24, 128, 1);
    doc->setNote(48, 130, 0);
    return doc;
}

// A chart with tempo 150 whose body (BPM records, notes...) is given.
inline QByteArray chartText(const QString& body, const QString& extraHeader = QString()) {
    ChartText t{"T", 150, "m.mp3"};
    t.more = extraHeader + body;
    return t.bytes();
}

inline QString area(double coord, int kind, int fx = 0) {
    const QString text = R"(<AREA Coord="%1" Kind="%2" FxSndIndex="%3"></AREA>)";
    return text.arg(coord).arg(kind).arg(fx);
}

// Every note of the chart as "coord:kind/key " in coord order.
inline std::string notesOf(const ChartDocument& doc) {
    std::string out;
    for (int c = 0; c < kCellCount; ++c)
        if (const auto& cell = doc.cell(c); cell.Kind)
            out += std::to_string(c) + ':' + std::to_string(cell.Kind) + '/' +
                   std::to_string(cell.FxSndIndex) + ' ';
    return out;
}

// Writes text to a file in a fresh folder and loads it.
struct LoadedChart {
    QTemporaryDir dir;
    ChartDocument doc;
    ScriptedDialogs ui;
    int result = 0;

    explicit LoadedChart(const QByteArray& text, double align = 1, int flags = 0) {
        const QString path = dir.filePath("chart.xml");
        writeAll(path, text);
        doc.AlignCoord = align;
        result = LoadFile(doc, path, flags, QString(), ui);
    }
};

// A chart saved to a file and opened again, as the editor does it.
struct RoundTrip {
    QByteArray bytes;     // the saved file
    QString saveMessage;  // what the save said
    std::unique_ptr<LoadedChart> reopened;

    explicit RoundTrip(ChartDocument& doc) {
        QTemporaryDir dir;
        ScriptedDialogs ui;
        const QString path = dir.filePath("saved.xml");
        if (SaveFile(doc, path, ui) != 1) return;
        bytes = readAll(path);
        saveMessage = ui.messages().value(0);
        reopened = std::make_unique<LoadedChart>(bytes);
    }
};

}  // namespace lumidex::test
