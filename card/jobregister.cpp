#include "card/jobregister.h"

#include "db/database.h"
#include "journal/cardregister.h"

#include <QDateTime>

namespace printjob {

JobRegister::JobRegister(const Request& request, QVector<printing::CardPage>* pages)
{
    if (!request.database || request.kind == Kind::Calibration
        || request.target->use() != Target::Use::Printer)
        return;
    if (!enter(request, *pages)) {
        m_numbers.clear();
        return;
    }
    m_database = request.database;
    for (int i = 0; i < pages->size(); ++i) {
        for (cardlayout::CardField& field : (*pages)[i].fields) {
            if (field.key == QLatin1String("Number"))
                field.text = QString::number(m_numbers.at(i));
        }
    }
}

bool JobRegister::enter(const Request& request, const QVector<printing::CardPage>& pages)
{
    journal::CardRegister cards(request.database->database);
    if (!cards.ensureTable(&m_error))
        return false;
    const QString printedAt = journal::timestamp(QDateTime::currentDateTime());
    const QString login = journal::loginName();
    return request.database->writeTransaction([&] {
        m_numbers.clear();
        for (int i = 0; i < pages.size(); ++i) {
            const CardTexts& card = request.cards.at(i);
            const printing::PrintedCard printed{request.target->name(), pages.at(i).fields};
            journal::CardRow row =
                journal::rowFor({printed.texts(), card.company, printed.printer, card.note}, printedAt, login);
            row.status = QString::fromLatin1(journal::kSpoiled);
            row.note = QString::fromUtf8(journal::kUnfinished);
            const qint64 number = cards.record(row, 0, &m_error);
            if (number == 0)
                return false;
            m_numbers.append(number);
            m_notes.append(card.note);
        }
        return true;
    });
}

void JobRegister::mark(const QString& status, bool withNotes)
{
    if (!m_database || m_painted == 0 || !m_error.isEmpty())
        return;
    journal::CardRegister cards(m_database->database);
    const QString unfinished = QString::fromUtf8(journal::kUnfinished);
    m_database->writeTransaction([&] {
        for (int i = 0; i < m_painted; ++i) {
            if (!cards.setStatus(m_numbers.at(i), status, withNotes ? m_notes.at(i) : unfinished, &m_error))
                return false;
        }
        return true;
    });
}

void JobRegister::handingOver(int painted)
{
    m_painted = qMin(painted, m_numbers.size());
    mark(QString::fromLatin1(journal::kSent), true);
}

void JobRegister::notHandedOver()
{
    mark(QString::fromLatin1(journal::kSpoiled), false);
}

void JobRegister::handedOver()
{
    mark(QString::fromLatin1(journal::kIssued), true);
}

} // namespace printjob
