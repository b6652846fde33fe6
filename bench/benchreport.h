#ifndef BENCHREPORT_H
#define BENCHREPORT_H

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class QTextStream;

// Times of every interaction at every size, and the table that sums them up.
namespace benchreport {

// One timed sample, in milliseconds, of an interaction at a size.
void addSample(const QString& interaction, const QString& size, double ms);
// Median of the samples so far; a negative number when there are none.
double median(const QString& interaction, const QString& size);
QVector<double> samples(const QString& interaction, const QString& size);

// A figure measured once (peak memory, first start and the like), with its unit.
void setFigure(const QString& name, const QString& size, double value, const QString& unit);
double figure(const QString& name, const QString& size);

// Interactions in the order of the table, with their display names.
QStringList interactionOrder();
QString displayName(const QString& interaction);

// The table of medians: one row per interaction, one column per size, the
// ratio of the largest to the smallest size, the target and whether it holds.
void printTable(QTextStream& out, const QStringList& sizes);

} // namespace benchreport

#endif // BENCHREPORT_H
