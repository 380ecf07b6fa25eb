// Draws the program's icon: the letters ലി, the first of "ലിപിമാറ്റം", in the display font
// Lipimattam ML-TT (so in the ML-TT codes the engine gives them), white on a rounded square.
//   lipimattam-make-icon DISPLAY_FONT OUT_FOLDER
// writes OUT_FOLDER/lipimattam.svg and OUT_FOLDER/NxN.png for each size Debian's icon theme
// folders hold.
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <string>

#include <lipimattam/convert.h>

namespace lipimattam {
namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};
constexpr double kSide = 512;           // the SVG's units, and the design's
constexpr double kCorner = 96;          // of the rounded square
constexpr double kLetterHeight = 0.56;  // of the side, for the letters' ink
const QColor kBackground(0x0B, 0x5D, 0x6B);
const QColor kLetters(Qt::white);

// The letters' outline, centred on the square.
QPainterPath Letters(const QString& font_file) {
  const QRawFont font(font_file, kSide);
  const std::u16string codes = ConvertText(u"\u0D32\u0D3F");  // ലി
  const QString text(reinterpret_cast<const QChar*>(codes.data()),
                     static_cast<qsizetype>(codes.size()));
  QPainterPath path;
  QPointF pen;
  const QList<quint32> glyphs = font.glyphIndexesForString(text);
  const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    path.addPath(font.pathForGlyph(glyphs[i]).translated(pen));
    pen += advances[i];
  }
  const QRectF ink = path.boundingRect();
  const double scale = kLetterHeight * kSide / ink.height();
  QTransform fit;
  fit.translate(kSide / 2, kSide / 2);
  fit.scale(scale, scale);
  fit.translate(-ink.center().x(), -ink.center().y());
  QPainterPath letters = fit.map(path);
  letters.setFillRule(Qt::WindingFill);  // as the font's outlines are meant, and as the SVG's
  return letters;
}

QPainterPath Square() {
  QPainterPath square;
  square.addRoundedRect(QRectF(0, 0, kSide, kSide), kCorner, kCorner);
  return square;
}

// A path as SVG path data.
QString SvgData(const QPainterPath& path) {
  QString data;
  QTextStream out(&data);
  out.setRealNumberPrecision(6);
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element element = path.elementAt(i);
    switch (element.type) {
      case QPainterPath::MoveToElement:
        out << 'M' << element.x << ' ' << element.y << ' ';
        break;
      case QPainterPath::LineToElement:
        out << 'L' << element.x << ' ' << element.y << ' ';
        break;
      case QPainterPath::CurveToElement: {
        const QPainterPath::Element second = path.elementAt(i + 1);
        const QPainterPath::Element end = path.elementAt(i + 2);
        out << 'C' << element.x << ' ' << element.y << ' ' << second.x << ' ' << second.y << ' '
            << end.x << ' ' << end.y << ' ';
        i += 2;
        break;
      }
      case QPainterPath::CurveToDataElement:
        break;  // taken with its curve
    }
  }
  return data.trimmed();
}

bool WriteSvg(const QString& name, const QPainterPath& letters) {
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QTextStream out(&file);
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 512 512\" width=\"512\" "
         "height=\"512\">\n"
      << "  <path fill=\"" << kBackground.name() << "\" d=\"" << SvgData(Square()) << "\"/>\n"
      << "  <path fill=\"" << kLetters.name() << "\" fill-rule=\"nonzero\" d=\"" << SvgData(letters)
      << "\"/>\n"
      << "</svg>\n";
  return out.status() == QTextStream::Ok && file.flush();
}

bool WritePng(const QString& name, int size, const QPainterPath& letters) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kSide, size / kSide);
  painter.fillPath(Square(), kBackground);
  painter.fillPath(letters, kLetters);
  painter.end();
  return image.save(name, "PNG");
}

}  // namespace
}  // namespace lipimattam

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lipimattam-make-icon DISPLAY_FONT OUT_FOLDER\n");
    return 64;
  }
  const QGuiApplication application(argc, argv);
  const QString font = QString::fromLocal8Bit(argv[1]);
  const QString folder = QString::fromLocal8Bit(argv[2]);
  const QPainterPath letters = lipimattam::Letters(font);
  if (letters.isEmpty()) {
    std::fprintf(stderr, "lipimattam-make-icon: no letters drawn from %s\n", argv[1]);
    return 1;
  }
  bool written = lipimattam::WriteSvg(folder + "/lipimattam.svg", letters);
  for (const int size : lipimattam::kSizes)
    written = written &&
              lipimattam::WritePng(folder + QStringLiteral("/%1x%1.png").arg(size), size, letters);
  if (!written) {
    std::fprintf(stderr, "lipimattam-make-icon: cannot write the icons in %s\n", argv[2]);
    return 1;
  }
  return 0;
}
