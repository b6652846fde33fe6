#ifndef JOBREGISTER_H
#define JOBREGISTER_H

#include "card/printjob.h"

#include <QStringList>
#include <QVector>

// The register rows of one print job (card/printjob.cpp). A test print, a
// preview, the calibration sheet or a job without a database has none.
// Every step is one writing transaction; a failure of the register never
// stops the print, it is kept in error() for the operator.
namespace printjob {

class JobRegister
{
public:
    // Enters every card as "печать не завершена" and writes the numbers into
    // the "Number" fields of the pages.
    JobRegister(const Request& request, QVector<printing::CardPage>* pages);

    // The first `painted` cards turn 'sent': their job goes to the spooler now.
    void handingOver(int painted);
    // The job did not reach the spooler: back to "печать не завершена".
    void notHandedOver();
    // The spooler has the job: 'issued'.
    void handedOver();

    QString error() const { return m_error; }
    QVector<qint64> numbers() const { return m_numbers; }

private:
    bool enter(const Request& request, const QVector<printing::CardPage>& pages);
    // Sets the status and note of the painted cards.
    void mark(const QString& status, bool withNotes);

    DataBase* m_database = nullptr;
    QVector<qint64> m_numbers;
    QStringList m_notes;
    int m_painted = 0;
    QString m_error;
};

} // namespace printjob

#endif // JOBREGISTER_H
