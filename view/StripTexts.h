#pragma once
// The texts of a strip, laid out once and kept for the next repaints: a
// repaint prints the same coord numbers and key indices again and again, and
// laying a text out (shaping it) costs many times more than drawing its
// glyphs. QPainter draws a QStaticText from the same glyph cache as
// drawText, so the pixels are the same.
//
// Blending glyphs into the buffer is the next cost, so each text also keeps
// a stamp: the rows it inks, drawn once onto the strip's background. Where a
// text lands on rows that are still plain background (texts rarely overlap),
// copying the stamp gives exactly the pixels drawing would; elsewhere the
// text is drawn.
//
// Used from one thread at a time (the one that repaints).

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <QString>

#include <array>

namespace lumidex {

class StripTexts {
  public:
    // The rows a text inks, as drawn on the background: `first` is the
    // first such device row below the text's top row.
    struct Stamp {
        bool made = false;
        int first = 0;
        QImage rows;     // null when the text inks nothing
        QRgb plain = 0;  // the background's pixel
    };
    struct Text {
        QString text;
        QStaticText laidOut;
        double width = 0;                     // the advance of the text in the font
        mutable std::array<Stamp, 2> stamps;  // in the text colour, in the warning colour
    };

    StripTexts(const QFont& font, const QColor& background);

    // Keeps the stamps when the strip has the width and pixel ratio they
    // were made for, else drops every text. Call before a repaint's texts.
    void fitTo(const QImage& strip);

    // The text of a number, as QString::number writes it.
    const Text& number(int n);
    const Text& text(const QString& s);

    // Prints text into strip (on which painter is active, with the strip's
    // font) at the left edge with its top at row top, in colour (the
    // warning colour when warning is set), narrowed by xScale (1: as it
    // is).
    void print(QPainter& painter, QImage& strip, int top, const Text& text, const QColor& colour,
               bool warning, double xScale);

  private:
    Text make(const QString& s) const;
    static void draw(QPainter& painter, int top, const Text& text, double xScale);
    const Stamp& stampOf(const Text& text, const QColor& colour, bool warning, double xScale);
    bool onBackground(const QImage& strip, int row, const Stamp& stamp) const;

    // A strip shows a few hundred texts; far more means a long scroll or
    // many edits, and the old ones are dropped.
    static constexpr int kMaxKept = 4096;

    QFont font_;
    QColor background_;
    QFontMetricsF metrics_;
    QHash<int, Text> numbers_;
    QHash<QString, Text> others_;
    // The strip width and pixel ratio the stamps were made for.
    int stampedWidth_ = 0;
    double stampedRatio_ = 0;
};

}  // namespace lumidex
