#ifndef PRINTJOB_H
#define PRINTJOB_H

#include "card/cardlayout.h"
#include "card/fitcheck.h"
#include "card/layoutparams.h"
#include "card/printing.h"

#include <QRectF>
#include <QString>
#include <QVector>

#include <functional>

class DataBase;
class QPaintDevice;
class Questions;

// The one way a card reaches paper: every print (one card, a card printed
// again from the register, a batch, the calibration sheet) and the preview
// go through run():
//   checks and questions -> register rows entered -> each page painted by
//   printing::paintCard -> the job handed over -> the rows marked issued.
namespace printjob {

enum class Kind { Single, Reprint, Batch, Calibration };

// Where the pages go.
class Target
{
public:
    enum class Use {
        Printer,   // a spooler destination: every question, the register
        TestPrint, // "card.pdf" over the blank's picture: no A6 question, no register
        Preview    // a picture of the card: no question, no register
    };

    virtual ~Target() = default;
    virtual Use use() const = 0;
    // The destination's name, as the register keeps it.
    virtual QString name() const = 0;
    // Whether the destination offers A6 paper.
    virtual bool knowsA6() const = 0;
    // The device the pages are painted on: 72 units a inch from the paper's
    // top-left corner.
    virtual QPaintDevice* device() = 0;
    virtual QRectF paper() const = 0;
    // The part of the paper the device can print on; the calibration sheet's
    // marks stay inside it.
    virtual QRectF printable() const { return paper(); }
    // Device units per point (1 for a printer at 72 dpi).
    virtual qreal scale() const { return 1; }
    // Starts the next page of the job; false when the device has no more.
    virtual bool newPage() = 0;
    // The picture drawn under every page, over backgroundArea(); empty for none.
    virtual QString background() const = 0;
    virtual QRectF backgroundArea() const { return paper(); }
};

// One card of a request: the texts to compose it from, or for a reprint the
// texts the register kept, and what the register notes about it.
struct CardTexts
{
    cardlayout::SourceTexts texts;
    QString company; // the company text the register files the card under
    QString note;    // the register's note ("Взамен карточки № N" for a reprint)
    QString label;   // how the batch's fit question names the card
};

struct Request
{
    Kind kind = Kind::Single;
    QVector<CardTexts> cards;
    LayoutParams layout;
    Target* target = nullptr;
    // The register's database; nullptr leaves the cards unrecorded.
    DataBase* database = nullptr;
    // Told 0 once the job has begun, then asked after each painted page, with
    // the count, whether to go on; pages painted go to the spooler in any case.
    std::function<bool(int)> pagePainted;
};

// The A6 page in points, as the printers are set up for it.
QRectF a6Paper();

// The page every card of a layout is painted on: scale, shifts and card font.
struct Blank
{
    printing::CardPage page;
    bool familyFound = true;
    QString fontNote; // "шрифт «…» не найден, использован «…»", empty when found
};
Blank blankFor(const LayoutParams& layout, const QRectF& paper);

// The fields of one card on the blank, as the kind composes them.
QVector<cardlayout::CardField> compose(Kind kind, const CardTexts& card, const LayoutParams& layout,
                                       const Blank& blank);

struct Outcome
{
    bool asked = true;  // false: the operator answered not to print
    int sent = 0;       // pages handed over
    int total = 0;      // pages of the job
    QString error;      // "Не удалось начать печать" / "Не удалось завершить печать"
    QString registerError; // why the cards are not in the register; empty when they are
    QVector<printing::CardPage> pages; // the pages as painted
    QVector<fitcheck::Overflow> overflows; // of the first card, for a preview
    QString fontNote;
    QVector<qint64> numbers; // register numbers of the cards (0: none)
    QString where;           // where the pages went, as the status line says it
};

// Runs the request, asking questions what the operator must decide.
Outcome run(const Request& request, Questions& questions);

} // namespace printjob

#endif // PRINTJOB_H
