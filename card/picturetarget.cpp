#include "card/picturetarget.h"

#include "card/calibration.h"
#include "util/questions.h"

#include <QPainter>
#include <QPen>

PictureTarget::PictureTarget(const QSize& size, const QString& background)
    : m_paper(printjob::a6Paper())
    , m_image(size, QImage::Format_ARGB32_Premultiplied)
    , m_background(background)
{
    m_image.fill(Qt::white);
}

qreal PictureTarget::scale() const
{
    return m_image.width() / m_paper.width();
}

QRectF PictureTarget::backgroundArea() const
{
    const float s = cardlayout::pageScale(float(m_paper.width()));
    return QRectF(0, 0, m_paper.width(), calibration::kCardHeightMm * s);
}

namespace printjob {

namespace {

// Nothing is asked for a picture; the pipeline does not ask it either.
class NoQuestions : public Questions
{
public:
    FitAnswer fit(const QString&) override { return FitAnswer::AsIs; }
    FitAnswer cannotFit(const QString&) override { return FitAnswer::AsIs; }
    bool printWithoutA6(const QString&) override { return true; }
    bool printInOtherFamily(const QString&, const QString&) override { return true; }
    bool confirm(const QString&) override { return false; }
    QStringList chooseFiles(FileChoice, const QString&, const QString&, const QString&) override { return {}; }
};

// Outlines the rectangles of the fields named, moved by the shifts as their
// texts are.
void outline(PictureTarget& target, const printing::CardPage& page, const QVector<fitcheck::Overflow>& overflows)
{
    QPainter painter(&target.image());
    painter.scale(target.scale(), target.scale());
    // At least two pixels wide, so that it never fades away.
    painter.setPen(QPen(Qt::red, qMax(1.0, 2 / target.scale())));
    for (const fitcheck::Overflow& overflow : overflows) {
        for (const cardlayout::CardField& field : page.fields) {
            if (field.key != overflow.key)
                continue;
            const cardlayout::FieldRect& r = field.rect;
            painter.drawRect(QRectF((r.left + page.shift.lrShift) * page.s, (r.top - page.shift.udShift) * page.s,
                                    r.width * page.s, r.height * page.s));
        }
    }
}

} // namespace

namespace {

QString fitNote(const printing::CardPage& page, const QVector<fitcheck::Overflow>& overflows)
{
    if (overflows.isEmpty())
        return QString();
    fitcheck::Measure measure;
    const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), page.font, page.fields, page.s);
    if (fit.unfit.isEmpty())
        return QStringLiteral(" — «Уменьшить шрифт» уместит");
    QStringList names;
    for (const QString& key : fit.unfit)
        names << fitcheck::fieldDescription(key);
    return QStringLiteral(" — не уместить даже при %1 пт: %2")
        .arg(fitcheck::kMinimumSize)
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace

Preview previewCard(const CardTexts& card, const LayoutParams& layout, const QSize& size, const QString& background)
{
    PictureTarget target(size, background);
    Request request;
    request.cards = {card};
    request.layout = layout;
    request.target = &target;
    NoQuestions questions;
    const Outcome outcome = run(request, questions);
    if (outcome.pages.isEmpty())
        return {target.image(), outcome.overflows.size(), outcome.fontNote, QString()};
    outline(target, outcome.pages.first(), outcome.overflows);
    return {target.image(), outcome.overflows.size(), outcome.fontNote,
            fitNote(outcome.pages.first(), outcome.overflows)};
}

} // namespace printjob
