#include "app/servercommand.h"

#include "app/commandline.h"
#include "db/servercopy.h"

#include <QTextStream>

int runCopyToServer(const cli::Call& call)
{
    bool ok = false;
    const QString report = db::copyWorkingDatabaseToServer(&ok);
    (ok ? call.out : call.err) << report << "\n";
    return ok ? 0 : 1;
}
