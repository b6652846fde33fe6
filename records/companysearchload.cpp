#include "records/companysearchload.h"

#include "db/companyrows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

namespace {

QString nextConnectionName()
{
    static std::atomic<int> count{0};
    return QStringLiteral("companysearch-load-%1").arg(++count);
}

} // namespace

CompanySearchLoad::CompanySearchLoad(const QString& databaseName, const QString& connectOptions, QObject* parent)
    : QObject(parent)
    , m_job(std::make_shared<Job>())
{
    Job* job = m_job.get();
    m_thread = QThread::create([job, databaseName, connectOptions] { run(job, databaseName, connectOptions); });
    connect(m_thread, &QThread::finished, this, [this] {
        m_done = true;
        emit finished();
    });
    m_thread->start(QThread::LowPriority);
}

CompanySearchLoad::~CompanySearchLoad()
{
    m_job->cancelled = true;
    m_thread->wait();
    delete m_thread;
}

bool CompanySearchLoad::canRead(const QString& databaseName)
{
    return !databaseName.isEmpty() && databaseName != QLatin1String(":memory:")
           && !databaseName.startsWith(QLatin1String("file:"));
}

bool CompanySearchLoad::take(records::CompanySearch* search)
{
    if (!m_done || !m_job->read)
        return false;
    *search = std::move(m_job->search);
    m_job->read = false;
    return true;
}

void CompanySearchLoad::run(Job* job, const QString& databaseName, const QString& connectOptions)
{
    const QString name = nextConnectionName();
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(databaseName);
        // Only read: a file that is gone is not made anew.
        database.setConnectOptions(connectOptions.isEmpty() ? QStringLiteral("QSQLITE_OPEN_READONLY")
                                                            : connectOptions + QStringLiteral(";QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            // The rows are read once, in order: the page cache of a
            // connection (2 MB by default) would only add to the memory.
            QSqlQuery(database).exec(QStringLiteral("PRAGMA cache_size=-128"));
            job->read = companyrows::readAll(database, [job](const companyrows::CompanyRow& row) {
                if (job->cancelled)
                    return false;
                job->search.add(row);
                return true;
            });
            database.close();
        }
        if (job->read && !job->cancelled)
            job->search.putInOrder();
        job->read = job->read && !job->cancelled;
    }
    QSqlDatabase::removeDatabase(name);
}
