#ifndef COMPANYSEARCHLOAD_H
#define COMPANYSEARCHLOAD_H

#include "records/companysearch.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Reads the organisations into a CompanySearch on a thread of its own, over a
// connection of its own to the same file, so that the window stays free while
// a large list is read and indexed. finished() comes on the thread that
// started the load; the load is abandoned when this object goes.
class CompanySearchLoad : public QObject
{
    Q_OBJECT

public:
    // Starts reading the SQLite file databaseName; connectOptions are those of
    // the program's connection (its busy timeout, say).
    CompanySearchLoad(const QString& databaseName, const QString& connectOptions, QObject* parent = nullptr);
    ~CompanySearchLoad() override;

    // Whether the file can be read by a second connection (an in-memory
    // database, for one, cannot).
    static bool canRead(const QString& databaseName);

    bool isRunning() const { return !m_done; }
    // After finished(): true and the search in *search when every row was read.
    bool take(records::CompanySearch* search);

signals:
    void finished();

private:
    struct Job
    {
        std::atomic<bool> cancelled{false};
        bool read = false;
        records::CompanySearch search;
    };

    static void run(Job* job, const QString& databaseName, const QString& connectOptions);

    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    bool m_done = false;
};

#endif // COMPANYSEARCHLOAD_H
