#include "benchreport.h"

#include <QTextStream>

#include <algorithm>

namespace benchreport {

namespace {

enum class Target { None, Frame, StartUp, Print, Preview, Import };

struct Interaction
{
    QString id;
    QString name;
    Target target;
};

const double kFrameMs = 16;
const double kPrintMs = 50;
const double kPreviewMs = 100;
const double kImportMs = 2000;
const double kGrowth = 2;
const double kStartUpFactor = 1.5;

const QList<Interaction>& interactions()
{
    static const QList<Interaction> list{
        {"startup", "Start-up until the company list is filled", Target::StartUp},
        {"first_start", "First start on a database without indexes (one time)", Target::None},
        {"company_filter_common", "Company filter keystroke, common match: list read by pages", Target::Frame},
        {"company_filter_rare", "Company filter, rare match entered at once: list read by pages", Target::Frame},
        {"company_filter_rare_on", "Company filter keystroke typed on a rare match: from the row shown",
         Target::Frame},
        {"company_click", "Company click until its employees are shown", Target::Frame},
        {"company_click_filtered", "Company click in a filtered list (then emptied): rows read up to it",
         Target::Frame},
        {"company_click_last", "The same for the organisation shown last: rows read up to it", Target::Frame},
        {"personnel_filter", "Personnel filter keystroke", Target::Frame},
        {"employee_click", "Employee click", Target::Frame},
        {"save", "Save", Target::Frame},
        {"employee_update", "Employee update", Target::Frame},
        {"company_update", "Organisation update", Target::Frame},
        {"employee_delete", "Employee delete (confirmation included)", Target::Frame},
        {"print", "Print into PDF, click to finished file", Target::Print},
        {"preview", "Preview, click to shown window", Target::Preview},
        {"import_10k", "Import of 10,000 rows, file read to commit", Target::Import},
        {"import_office_5k", "Import of a 5,000-row office list (signature block, footer, spellings)", Target::Import},
    };
    return list;
}

QMap<QString, QVector<double>>& store()
{
    static QMap<QString, QVector<double>> samples;
    return samples;
}

QMap<QString, QPair<double, QString>>& figures()
{
    static QMap<QString, QPair<double, QString>> values;
    return values;
}

QString key(const QString& name, const QString& size)
{
    return name + QLatin1Char('/') + size;
}

QString number(double value)
{
    if (value < 0)
        return QStringLiteral("–");
    return QString::number(value, 'f', value < 10 ? 2 : 1);
}

QString targetText(Target target)
{
    switch (target) {
    case Target::Frame:
        return QStringLiteral("≤ 16 ms, ≤ 2×");
    case Target::StartUp:
        return QStringLiteral("≤ 1.5 × empty, ≤ 2×");
    case Target::Print:
        return QStringLiteral("≤ 50 ms, ≤ 2×");
    case Target::Preview:
        return QStringLiteral("≤ 100 ms, ≤ 2×");
    case Target::Import:
        return QStringLiteral("≤ 2000 ms");
    case Target::None:
        break;
    }
    return QString();
}

// "yes", or "no" with what fails.
QString verdict(const Interaction& item, const QString& largest, const QString& smallest)
{
    const double top = median(item.id, largest);
    const double low = median(item.id, smallest);
    if (item.target == Target::None || top < 0)
        return QString();
    QStringList failures;
    const double limit = item.target == Target::Frame     ? kFrameMs
                         : item.target == Target::Print   ? kPrintMs
                         : item.target == Target::Preview ? kPreviewMs
                         : item.target == Target::Import  ? kImportMs
                                                          : kStartUpFactor * median(item.id, QStringLiteral("empty"));
    if (limit > 0 && top > limit)
        failures << QStringLiteral("%1 ms > %2 ms").arg(number(top), number(limit));
    if (low > 0 && top / low > kGrowth && item.target != Target::Import)
        failures << QStringLiteral("grows %1×").arg(number(top / low));
    return failures.isEmpty() ? QStringLiteral("yes") : QStringLiteral("no: ") + failures.join(QStringLiteral(", "));
}

void printRow(QTextStream& out, const QStringList& cells)
{
    out << "| " << cells.join(QStringLiteral(" | ")) << " |\n";
}

QString holds(bool held)
{
    return held ? QStringLiteral("yes") : QStringLiteral("no");
}

void printFigures(QTextStream& out, const QString& largest)
{
    const double bare = figure(QStringLiteral("window_bare"), QString());
    const double emptyWindow = figure(QStringLiteral("window_program"), QStringLiteral("empty"));
    const double largeWindow = figure(QStringLiteral("window_program"), largest);
    if (bare > 0 && largeWindow > 0) {
        out << QStringLiteral("\nWindow shown in a fresh process, from the process start to the first paint (median): "
                              "bare Qt window %1 ms; the program on the empty database %2 ms, on %3 %4 ms = %5 × "
                              "the bare window (target ≤ 1.5×: %6).\n")
                   .arg(number(bare), number(emptyWindow), largest, number(largeWindow),
                        number(largeWindow / bare), holds(largeWindow <= kStartUpFactor * bare));
    }
    const double beforeWindow = figure(QStringLiteral("window_program_before"), largest);
    if (bare > 0 && beforeWindow > 0) {
        out << QStringLiteral("The program on %1 started the way it was before (style set again, hidden list "
                              "fitted before the first paint): %2 ms = %3 × the bare window.\n")
                   .arg(largest, number(beforeWindow), number(beforeWindow / bare));
    }
    const double form = figure(QStringLiteral("window_form"), QString());
    if (bare > 0 && form > 0) {
        out << QStringLiteral("The main window's form alone (its widgets and style sheets; no parameters, database "
                              "or rows): %1 ms = %2 × the bare window.\n")
                   .arg(number(form), number(form / bare));
    }
    const double bareMain = figure(QStringLiteral("window_bare_main"), QString());
    const double largeMain = figure(QStringLiteral("window_program_main"), largest);
    if (bareMain > 0 && largeMain > 0) {
        out << QStringLiteral("The same counted from main(): bare %1 ms, the program on %2 %3 ms = %4 ×.\n")
                   .arg(number(bareMain), largest, number(largeMain), number(largeMain / bareMain));
    }
    const double rollback = figure(QStringLiteral("commit"), QStringLiteral("DELETE"));
    const double wal = figure(QStringLiteral("commit"), QStringLiteral("WAL"));
    if (rollback >= 0 && wal >= 0) {
        out << QStringLiteral("One bare commit of a one-row insert on this disk (median): %1 ms with SQLite's default "
                              "rollback journal, %2 ms with a write-ahead journal. Every save, update and delete "
                              "commits once.\n")
                   .arg(number(rollback), number(wal));
    }
    const QStringList memoryKinds{QStringLiteral("memory")};
    const QStringList memoryTexts{
        QStringLiteral("Peak memory (VmHWM) of the whole process, start-up and three rounds of interactions at once")};
    for (int i = 0; i < memoryKinds.size(); ++i) {
        const double emptyMemory = figure(memoryKinds.at(i), QStringLiteral("empty"));
        const double largeMemory = figure(memoryKinds.at(i), largest);
        if (emptyMemory > 0 && largeMemory > 0) {
            out << memoryTexts.at(i)
                << QStringLiteral(": empty database %1 MB, %2 %3 MB = %4 × (target ≤ 1.5×: %5).\n")
                       .arg(number(emptyMemory), largest, number(largeMemory), number(largeMemory / emptyMemory),
                            holds(largeMemory <= kStartUpFactor * emptyMemory));
        }
    }
}

} // namespace

void addSample(const QString& interaction, const QString& size, double ms)
{
    store()[key(interaction, size)].append(ms);
}

QVector<double> samples(const QString& interaction, const QString& size)
{
    return store().value(key(interaction, size));
}

double median(const QString& interaction, const QString& size)
{
    QVector<double> values = samples(interaction, size);
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

void setFigure(const QString& name, const QString& size, double value, const QString& unit)
{
    figures()[key(name, size)] = qMakePair(value, unit);
}

double figure(const QString& name, const QString& size)
{
    return figures().value(key(name, size), qMakePair(-1.0, QString())).first;
}

QStringList interactionOrder()
{
    QStringList ids;
    for (const Interaction& item : interactions())
        ids << item.id;
    return ids;
}

QString displayName(const QString& interaction)
{
    for (const Interaction& item : interactions()) {
        if (item.id == interaction)
            return item.name;
    }
    return interaction;
}

void printTable(QTextStream& out, const QStringList& sizes)
{
    QStringList measured;
    for (const QString& size : sizes) {
        if (size != QLatin1String("empty"))
            measured << size;
    }
    const QString smallest = measured.value(0);
    const QString largest = measured.value(measured.size() - 1);
    QStringList header{QStringLiteral("Interaction (median, ms)")};
    header << sizes << QStringLiteral("%1 / %2").arg(largest, smallest) << QStringLiteral("Target at %1").arg(largest)
           << QStringLiteral("Holds");
    printRow(out, header);
    printRow(out, QVector<QString>(header.size(), QStringLiteral("---")).toList());
    for (const Interaction& item : interactions()) {
        QStringList cells{item.name};
        for (const QString& size : sizes)
            cells << number(median(item.id, size));
        const double top = median(item.id, largest);
        const double low = median(item.id, smallest);
        cells << (top > 0 && low > 0 ? number(top / low) + QStringLiteral("×") : QStringLiteral("–"));
        cells << targetText(item.target) << verdict(item, largest, smallest);
        printRow(out, cells);
    }
    printFigures(out, largest);
    out.flush();
}

} // namespace benchreport
