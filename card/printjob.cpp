#include "card/printjob.h"

#include "card/calibration.h"
#include "card/jobregister.h"
#include "journal/reprint.h"
#include "util/questions.h"

#include <QFontDatabase>
#include <QPageSize>
#include <QPainter>

#include <memory>

namespace printjob {

namespace {

// How many cards the batch's fit question names one by one.
constexpr int kNamedCards = 10;

void listCards(QStringList* lines, const QStringList& cards)
{
    for (int i = 0; i < cards.size() && i < kNamedCards; ++i)
        *lines << QStringLiteral("— ") + cards.at(i);
    if (cards.size() > kNamedCards)
        *lines << QStringLiteral("— и ещё %1").arg(cards.size() - kNamedCards);
}

// The fit question of a batch: which cards overflow, out of how many, and
// apart those that cannot fit even at the smallest size.
QString batchFitText(const QStringList& cards, const QStringList& unfit, int total)
{
    QStringList lines{QStringLiteral("Текст выходит за границы полей на %1 карточках из %2:").arg(cards.size()).arg(total)};
    listCards(&lines, cards);
    if (!unfit.isEmpty()) {
        lines << QString()
              << QStringLiteral("Не помещаются даже при размере %1 пт (печатаются как есть):").arg(fitcheck::kMinimumSize);
        listCards(&lines, unfit);
    }
    return lines.join('\n');
}

// Asked once per job, before paper is spent: a printer without A6 paper, a
// family that is not there.
bool askJob(const Request& request, const Blank& blank, Questions& questions)
{
    const Target& target = *request.target;
    if (target.use() == Target::Use::Printer && !target.knowsA6() && !questions.printWithoutA6(target.name()))
        return false;
    return request.kind == Kind::Calibration || blank.familyFound
           || questions.printInOtherFamily(cardlayout::requestedFamily(request.layout.fonts),
                                           cardlayout::drawnFamily(blank.page.font.family()));
}

// Whether the texts fit; the operator may lower the sizes for this print
// only (the layout keeps its sizes), each card by the fit rule of
// fitcheck::fitCard. A card that cannot fit even at the smallest size prints
// as it is; when no overflowing card can be fitted, "Уменьшить шрифт" is not
// offered. False when the answer is not to print.
bool askFit(const Request& request, QVector<printing::CardPage>* pages, Questions& questions)
{
    fitcheck::Measure measure;
    QStringList overflowing;
    QStringList unfit;
    QVector<fitcheck::Overflow> first;
    QStringList firstUnfit;
    QVector<printing::CardPage> fitted = *pages;
    for (int i = 0; i < pages->size(); ++i) {
        const printing::CardPage& page = pages->at(i);
        const QVector<fitcheck::Overflow> overflows = fitcheck::overflows(measure.painter(), page.font, page.fields, page.s);
        if (overflows.isEmpty())
            continue;
        const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), page.font, page.fields, page.s);
        if (overflowing.isEmpty()) {
            first = overflows;
            firstUnfit = fit.unfit;
        }
        overflowing << request.cards.at(i).label;
        if (fit.unfit.isEmpty())
            fitted[i].fields = fit.fields;
        else
            unfit << request.cards.at(i).label;
    }
    if (overflowing.isEmpty())
        return true;
    const bool batch = request.kind == Kind::Batch;
    const QString text = batch ? batchFitText(overflowing, unfit, pages->size())
                               : (firstUnfit.isEmpty() ? fitcheck::overflowText(first)
                                                       : fitcheck::cannotFitText(first, firstUnfit));
    const Questions::FitAnswer answer =
        unfit.size() == overflowing.size() ? questions.cannotFit(text) : questions.fit(text);
    switch (answer) {
    case Questions::FitAnswer::Cancel:
        return false;
    case Questions::FitAnswer::AsIs:
        return true;
    case Questions::FitAnswer::Shrink:
        break;
    }
    *pages = fitted;
    return true;
}

// Paints the pages onto the target; how many were painted, -1 when the
// painter could not begin.
int paintPages(const Request& request, const QVector<printing::CardPage>& pages, QPainter& painter)
{
    Target& target = *request.target;
    if (!painter.begin(target.device()))
        return -1;
    painter.scale(target.scale(), target.scale());
    if (request.pagePainted)
        request.pagePainted(0);
    const QString background = target.background();
    // A picture places the letters by the printer's metrics, not its own.
    std::unique_ptr<fitcheck::Measure> measure;
    if (target.use() == Target::Use::Preview) {
        measure.reset(new fitcheck::Measure);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    int painted = 0;
    for (const printing::CardPage& page : pages) {
        if (painted > 0 && !target.newPage())
            break;
        if (!background.isEmpty())
            printing::drawBackground(painter, background, target.backgroundArea());
        if (request.kind == Kind::Calibration)
            calibration::paintSheet(painter, request.layout.coords, page.s, page.shift, target.printable());
        else
            printing::paintCard(painter, page, measure ? &measure->painter() : nullptr);
        ++painted;
        if (request.pagePainted && !request.pagePainted(painted))
            break;
    }
    return painted;
}

QVector<printing::CardPage> composePages(const Request& request, const Blank& blank)
{
    if (request.kind == Kind::Calibration)
        return {blank.page};
    QVector<printing::CardPage> pages;
    for (const CardTexts& card : request.cards) {
        printing::CardPage page = blank.page;
        page.fields = compose(request.kind, card, request.layout, blank);
        pages.append(page);
    }
    return pages;
}

} // namespace

QRectF a6Paper()
{
    return QPageSize(QPageSize::A6).rect(QPageSize::Point);
}

Blank blankFor(const LayoutParams& layout, const QRectF& paper)
{
    Blank blank;
    blank.page.s = cardlayout::pageScale(float(paper.width()));
    blank.page.shift = {layout.udShift, layout.lrShift};
    // The family first, so that the word fitting sees a font registered from
    // the "fonts" folder already on the first print.
    const QFontDatabase fontDatabase;
    const QString family = cardlayout::resolveCardFamily(layout.fonts, fontDatabase);
    if (!family.isNull())
        blank.page.font.setFamily(family);
    blank.familyFound = cardlayout::cardFamilyFound(layout.fonts, fontDatabase, family);
    if (!blank.familyFound)
        blank.fontNote = QStringLiteral("шрифт «%1» не найден, использован «%2»")
                             .arg(cardlayout::requestedFamily(layout.fonts),
                                  cardlayout::drawnFamily(blank.page.font.family()));
    return blank;
}

QVector<cardlayout::CardField> compose(Kind kind, const CardTexts& card, const LayoutParams& layout, const Blank& blank)
{
    if (kind == Kind::Reprint)
        return journal::reprintFields(card.texts, layout.fonts, layout.coords);
    return cardlayout::composeCard(card.texts, blank.page.s, layout.fonts, layout.coords);
}

Outcome run(const Request& request, Questions& questions)
{
    Outcome outcome;
    Target& target = *request.target;
    const Blank blank = blankFor(request.layout, target.paper());
    outcome.fontNote = blank.fontNote;
    outcome.pages = composePages(request, blank);
    outcome.total = outcome.pages.size();
    if (outcome.pages.isEmpty())
        return outcome;
    if (target.use() == Target::Use::Preview) {
        fitcheck::Measure measure;
        if (!outcome.pages.isEmpty())
            outcome.overflows = fitcheck::overflows(measure.painter(), blank.page.font, outcome.pages.first().fields,
                                                    blank.page.s);
    } else if (!askJob(request, blank, questions)
               || (request.kind != Kind::Calibration && !askFit(request, &outcome.pages, questions))) {
        outcome.asked = false;
        return outcome;
    }
    JobRegister rows(request, &outcome.pages);
    QPainter painter;
    const int painted = paintPages(request, outcome.pages, painter);
    if (painted < 0) {
        outcome.error = QStringLiteral("Не удалось начать печать");
    } else {
        rows.handingOver(painted);
        if (!painter.end()) {
            outcome.error = QStringLiteral("Не удалось завершить печать");
            rows.notHandedOver();
        } else {
            outcome.sent = painted;
            rows.handedOver();
        }
    }
    outcome.registerError = rows.error();
    outcome.numbers = rows.numbers();
    return outcome;
}

} // namespace printjob
