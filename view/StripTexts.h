#pragma once
// The texts of a strip, laid out once and kept for the next repaints: a
// repaint prints the same coord numbers and key indices again and again, and
// laying a text out (shaping it) costs many times more than drawing its
// glyphs. QPainter draws a QStaticText from the same glyph cache as
// drawText, so the pixels are the same.
//
// Used from one thread at a time (the one that repaints).

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QStaticText>
#include <QString>

namespace lumidex {

class StripTexts {
  public:
    struct Text {
        QString text;
        QStaticText laidOut;
        double width = 0;  // the advance of the text in the font
    };

    explicit StripTexts(const QFont& font);

    // The text of a number, as QString::number writes it.
    const Text& number(int n);
    const Text& text(const QString& s);

  private:
    Text make(const QString& s) const;

    // A strip shows a few hundred texts; far more means a long scroll or
    // many edits, and the old ones are dropped.
    static constexpr int kMaxKept = 4096;

    QFont font_;
    QFontMetricsF metrics_;
    QHash<int, Text> numbers_;
    QHash<QString, Text> others_;
};

}  // namespace lumidex
