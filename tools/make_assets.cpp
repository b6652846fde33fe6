// Draws the two compiled-in images (the logo and the card blank) and writes the
// delivered layout files. The blank's rules and captions and the layout's field
// rectangles come from one table, so the printed texts land on the printed lines.
//
// Usage: make_assets [source root]   (run with QT_QPA_PLATFORM=offscreen)

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QtMath>

#include <cstdio>

namespace {

// The blank is 110 mm wide; its image is 1300 x 1654 pixels (about 140 mm high).
constexpr int CardWidthPx = 1300;
constexpr int CardHeightPx = 1654;
constexpr double CardWidthMm = 110.0;
constexpr int LogoSizePx = 251;

const QColor Paper(252, 249, 240);
const QColor Ink(28, 54, 92);
const QColor Faint(226, 233, 226);
const QColor Caption(70, 84, 104);
const QColor Gold(201, 162, 39);

const char* const FontFamily = "LiberationSerif";

// One printed field: its rectangle in card millimetres, the drop from the top of
// the rectangle to the printed rule under it, and the caption under that rule.
struct Field
{
    const char* key;
    double left;
    double top;
    double width;
    double height;
    double rule;
    int size;
    const char* align;
    const char* caption;
};

// Heights leave room for a whole line of the field's letter size: a line that
// does not fit the height of its rectangle would always be split in two.
const Field Fields[] = {
    {"Surname", 38.0, 13.5, 67.5, 6.5, 5.0, 13, "Left", "фамилия"},
    {"Name", 38.0, 20.5, 67.5, 6.5, 5.0, 13, "Left", "имя"},
    {"Patron", 38.0, 27.5, 67.5, 6.5, 5.0, 13, "Left", "отчество"},
    {"Form", 38.0, 34.75, 67.5, 6.0, 4.75, 12, "Center", nullptr},
    {"Comp", 38.0, 41.75, 67.5, 6.0, 4.75, 12, "Center",
     "организационно-правовая форма и наименование охранной организации"},
    {"DirPost", 38.0, 49.0, 67.5, 5.25, 4.5, 11, "Center", nullptr},
    {"Dir", 38.0, 54.25, 67.5, 5.25, 4.5, 11, "Center", "должность, инициалы, фамилия руководителя"},
    {"Date", 77.5, 63.25, 26.5, 6.0, 4.75, 12, "Center", nullptr},
};

double px(double mm)
{
    return mm * CardWidthPx / CardWidthMm;
}

QFont font(const QString& family, double mm, bool bold = false, bool italic = false)
{
    QFont f(family);
    f.setPixelSize(qRound(px(mm)));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void drawBackground(QPainter& p)
{
    p.fillRect(0, 0, CardWidthPx, CardHeightPx, Paper);
    // A fine wavy net, as on printed security forms.
    p.setPen(QPen(Faint, 1.4));
    for (int row = -2; row < CardHeightPx / 18 + 2; ++row) {
        QPainterPath wave;
        for (int x = 0; x <= CardWidthPx; x += 6) {
            const double y = row * 18 + 7 * qSin(x / 46.0 + row * 0.35);
            if (x == 0)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        p.drawPath(wave);
    }
}

void drawFrame(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 5));
    p.drawRect(QRectF(px(2.0), px(2.0), CardWidthPx - 2 * px(2.0), CardHeightPx - 2 * px(2.0)));
    p.setPen(QPen(Ink, 1.5));
    p.drawRect(QRectF(px(3.0), px(3.0), CardWidthPx - 2 * px(3.0), CardHeightPx - 2 * px(3.0)));
}

void drawHeading(QPainter& p)
{
    p.setPen(Ink);
    p.setFont(font("Liberation Serif", 4.2, true));
    p.drawText(QRectF(0, px(4.0), CardWidthPx, px(6.5)), Qt::AlignCenter, "ЛИЧНАЯ КАРТОЧКА ОХРАННИКА");
    p.setFont(font("Liberation Sans", 2.0));
    p.drawText(QRectF(px(82.0), px(10.0), px(22.0), px(2.6)), Qt::AlignRight | Qt::AlignVCenter, "№ ______________");
}

void drawPhotoBox(QPainter& p)
{
    const QRectF box(px(5.0), px(14.0), px(30.0), px(40.0));
    p.setBrush(QColor(255, 255, 255, 150));
    p.setPen(QPen(Ink, 2.5, Qt::DashLine));
    p.drawRect(box);
    p.setPen(Caption);
    p.setFont(font("Liberation Sans", 2.3));
    p.drawText(box, Qt::AlignCenter, "Место\nдля фотографии\n3 × 4 см");
}

void drawRule(QPainter& p, double left, double y, double width)
{
    p.setPen(QPen(Ink, 2.2));
    p.drawLine(QPointF(px(left), px(y)), QPointF(px(left + width), px(y)));
}

void drawCaption(QPainter& p, const QRectF& mmRect, int flags, const QString& text)
{
    p.setPen(Caption);
    p.setFont(font("Liberation Sans", 1.75, false, true));
    p.drawText(QRectF(px(mmRect.x()), px(mmRect.y()), px(mmRect.width()), px(mmRect.height())), flags, text);
}

void drawFields(QPainter& p)
{
    for (const Field& f : Fields) {
        const double rule = f.top + f.rule;
        drawRule(p, f.left, rule, f.width);
        if (f.caption)
            drawCaption(p, QRectF(f.left, rule + 0.15, f.width, 2.0), Qt::AlignHCenter | Qt::AlignTop, f.caption);
    }
    const Field& date = Fields[7];
    p.setPen(Ink);
    p.setFont(font("Liberation Serif", 3.0, true));
    p.drawText(QRectF(px(38.0), px(date.top), px(date.left - 40.0), px(date.rule)), Qt::AlignRight | Qt::AlignBottom,
               "Дата выдачи");
}

void drawSignatures(QPainter& p)
{
    const char* const titles[] = {"Подпись охранника", "Руководитель организации"};
    const double rules[] = {78.0, 86.5};
    p.setFont(font("Liberation Serif", 2.8));
    for (int i = 0; i < 2; ++i) {
        p.setPen(Ink);
        p.drawText(QRectF(px(6.0), px(rules[i] - 4.0), px(50.0), px(3.6)), Qt::AlignLeft | Qt::AlignBottom, titles[i]);
        drawRule(p, 52.0, rules[i], 52.0);
    }
    drawCaption(p, QRectF(52.0, 86.65, 52.0, 2.0), Qt::AlignHCenter | Qt::AlignTop, "подпись");
    // The stamp goes over the corner of the photograph.
    const QRectF stamp(px(18.0), px(47.0), px(20.0), px(20.0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Caption, 2.0, Qt::DotLine));
    p.drawEllipse(stamp);
    p.setFont(font("Liberation Serif", 3.0, true));
    p.setPen(Ink);
    p.drawText(stamp, Qt::AlignCenter, "М.П.");
}

void drawChecks(QPainter& p)
{
    const double left = 6.0;
    const double right = 104.0;
    const double top = 97.0;
    const double rowHeight = 5.5;
    const int rows = 5;
    p.setPen(Ink);
    p.setFont(font("Liberation Serif", 3.0, true));
    p.drawText(QRectF(px(left), px(91.0), px(right - left), px(5.0)), Qt::AlignCenter,
               "Отметки о прохождении периодических проверок");
    p.setPen(QPen(Ink, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(px(left), px(top), px(right - left), px(rowHeight * (rows + 1))));
    for (int r = 1; r <= rows; ++r)
        p.drawLine(QPointF(px(left), px(top + r * rowHeight)), QPointF(px(right), px(top + r * rowHeight)));
    const double columns[] = {left, 26.0, 62.0, 84.0, right};
    const char* const titles[] = {"Дата", "Вид проверки", "Результат", "Подпись"};
    p.setFont(font("Liberation Sans", 2.2));
    for (int c = 0; c < 4; ++c) {
        if (c > 0)
            p.drawLine(QPointF(px(columns[c]), px(top)), QPointF(px(columns[c]), px(top + rowHeight * (rows + 1))));
        p.drawText(QRectF(px(columns[c]), px(top), px(columns[c + 1] - columns[c]), px(rowHeight)), Qt::AlignCenter,
                   titles[c]);
    }
}

void drawFooter(QPainter& p)
{
    drawCaption(p, QRectF(6.0, 132.0, 98.0, 2.5), Qt::AlignCenter,
                "Карточка действительна при предъявлении удостоверения частного охранника");
}

QImage makeCard()
{
    // No alpha channel: the blank is an opaque picture of paper.
    QImage image(CardWidthPx, CardHeightPx, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawBackground(p);
    drawFrame(p);
    drawHeading(p);
    drawPhotoBox(p);
    drawFields(p);
    drawSignatures(p);
    drawChecks(p);
    drawFooter(p);
    return image;
}

QPainterPath shieldPath(const QRectF& r)
{
    QPainterPath path;
    const double notch = r.width() * 0.08;
    path.moveTo(r.left(), r.top() + notch);
    path.quadTo(r.left() + r.width() * 0.25, r.top() + notch, r.center().x(), r.top());
    path.quadTo(r.right() - r.width() * 0.25, r.top() + notch, r.right(), r.top() + notch);
    path.lineTo(r.right(), r.top() + r.height() * 0.45);
    path.cubicTo(r.right(), r.top() + r.height() * 0.75, r.center().x() + r.width() * 0.2,
                 r.bottom() - r.height() * 0.1, r.center().x(), r.bottom());
    path.cubicTo(r.center().x() - r.width() * 0.2, r.bottom() - r.height() * 0.1, r.left(), r.top() + r.height() * 0.75,
                 r.left(), r.top() + r.height() * 0.45);
    path.closeSubpath();
    return path;
}

QPolygonF star(const QPointF& centre, double outer, double inner)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? outer : inner;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        points << QPointF(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
    }
    return points;
}

// The logo drawn at any size (the menu's icons), from the same strokes as the
// compiled-in image: the painter scales the 251-pixel drawing.
QImage makeLogo(int sizePx = LogoSizePx)
{
    QImage image(sizePx, sizePx, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(double(sizePx) / LogoSizePx, double(sizePx) / LogoSizePx);

    const QRectF outer(18, 10, 215, 232);
    p.setPen(Qt::NoPen);
    p.setBrush(Gold);
    p.drawPath(shieldPath(outer));
    QLinearGradient fill(0, 20, 0, 240);
    fill.setColorAt(0.0, QColor(46, 92, 138));
    fill.setColorAt(1.0, QColor(20, 40, 72));
    p.setBrush(fill);
    p.drawPath(shieldPath(outer.adjusted(11, 12, -11, -14)));
    p.setPen(QPen(QColor(255, 255, 255, 170), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shieldPath(outer.adjusted(19, 21, -19, -26)));

    p.setPen(Qt::NoPen);
    p.setBrush(Gold);
    p.drawPolygon(star(QPointF(125.5, 68), 20, 8));
    QFont letters("Liberation Serif");
    letters.setPixelSize(82);
    letters.setBold(true);
    p.setFont(letters);
    p.setPen(Qt::white);
    p.drawText(QRectF(30, 88, 191, 96), Qt::AlignCenter, "ЧО");
    return image;
}

QJsonObject layoutParams()
{
    QJsonObject fonts;
    for (const Field& f : Fields) {
        QJsonObject entry;
        entry.insert("align", QString::fromLatin1(f.align));
        entry.insert("coords", QJsonArray{f.left, f.top, f.width, f.height});
        entry.insert("family", QString::fromLatin1(FontFamily));
        entry.insert("size", QString::number(f.size));
        fonts.insert(QString::fromLatin1(f.key), entry);
    }
    QJsonObject data;
    data.insert("fonts", fonts);
    data.insert("lrShift", 0.0);
    data.insert("udShift", 0.0);
    return QJsonObject{{"data", data}};
}

// The same bytes the program writes on accepting its settings: the indented JSON
// text and one more line break.
bool writeParams(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = QJsonDocument(layoutParams()).toJson(QJsonDocument::Indented) + "\n";
    return file.write(text) == text.size();
}

bool report(bool ok, const QString& path)
{
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "cannot write",
                 qPrintable(QDir::toNativeSeparators(path)));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QDir root(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(CARDPRINT_SOURCE_DIR));

    bool ok = report(makeLogo().save(root.filePath("resources/logo.png"), "PNG"), root.filePath("resources/logo.png"));
    ok = report(makeCard().save(root.filePath("resources/card.png"), "PNG"), root.filePath("resources/card.png")) && ok;
    // The program's icon in the sizes of the desktop's icon theme.
    for (int size : {48, 64, 128, 256}) {
        const QString icon = root.filePath(QStringLiteral("data/icons/cardprint-%1.png").arg(size));
        ok = report(QDir().mkpath(QFileInfo(icon).absolutePath()) && makeLogo(size).save(icon, "PNG"), icon) && ok;
    }
    for (const char* name : {"data/params.txt", "data/paramsBackUp.txt"})
        ok = report(writeParams(root.filePath(name)), root.filePath(name)) && ok;
    return ok ? 0 : 1;
}
