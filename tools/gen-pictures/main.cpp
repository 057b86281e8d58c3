// lumidex-gen-pictures: draws every note picture of the editor.
//
//   lumidex-gen-pictures OUTDIR          writes N.png and N@2x.png for every
//                                        resource number into OUTDIR
//   lumidex-gen-pictures --sheet FILE    writes one overview image of all
//                                        pictures at 1x and 2x, for review
//
// The pictures in resources/notes/ are the output of the first form; run it
// again after changing Artwork.cpp and commit the result.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

#include "Artwork.h"

namespace {

int writeAll(const QString& dirName) {
    QDir dir(dirName);
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << dirName << "\n";
        return 1;
    }
    for (int number : gen::resourceNumbers()) {
        for (int scale : {1, 2}) {
            const QString name = scale == 1 ? QStringLiteral("%1.png").arg(number)
                                            : QStringLiteral("%1@2x.png").arg(number);
            if (!gen::drawPicture(number, scale).save(dir.filePath(name))) {
                QTextStream(stderr) << "cannot write " << dir.filePath(name) << "\n";
                return 1;
            }
        }
    }
    return 0;
}

// All pictures in columns of rows: number, 1x, 2x, and the 1x picture
// enlarged 4 times so single pixels can be judged.
int writeSheet(const QString& fileName) {
    const QList<int> numbers = gen::resourceNumbers();
    const int columnWidth = 60 + 70 + 132 + 4 * gen::kPictureWidth + 16;
    const int columnHeight = 1400;
    const int columns = 4;
    QImage sheet(columnWidth * columns, columnHeight, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 60));
    QPainter p(&sheet);
    p.setPen(Qt::white);
    int x = 0, y = 4;
    for (int number : numbers) {
        const QImage one = gen::drawPicture(number, 1);
        const QImage two = gen::drawPicture(number, 2);
        const int h = 4 * one.height() + 8;
        if (y + h > columnHeight) {
            x += columnWidth;
            y = 4;
        }
        p.drawText(QRect(x + 4, y, 56, 20), Qt::AlignLeft | Qt::AlignTop, QString::number(number));
        p.drawImage(x + 60, y, one);
        p.drawImage(x + 60 + 70, y, two);
        p.drawImage(QRect(x + 60 + 70 + 132, y, 4 * one.width(), 4 * one.height()), one);
        y += h;
    }
    p.end();
    return sheet.save(fileName) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);  // fonts need the application object
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--sheet")) return writeSheet(args[2]);
    if (args.size() == 2 && !args[1].startsWith(QLatin1Char('-'))) return writeAll(args[1]);
    QTextStream(stderr) << "usage: lumidex-gen-pictures OUTDIR | --sheet FILE\n";
    return 2;
}
