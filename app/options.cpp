// The table of the program's command-line options; how to add one is explained
// in app/commandline.h.
#include "app/commandline.h"
#include "app/servercommand.h"
#include "backup/backupcommand.h"
#include "import/importcommand.h"

namespace cli {

QVector<Option> programOptions()
{
    QVector<Option> options{
        {{QStringLiteral("list-backups"), QStringLiteral("Показать резервные копии из папки backups и выйти.")},
         backups::listCommand},
        {{QStringLiteral("restore-backup"),
          QStringLiteral("Восстановить резервную копию с этим именем (текущие файлы сначала сохраняются "
                         "в новую копию) и выйти."),
          QStringLiteral("имя")},
         backups::restoreCommand},
        {{QStringLiteral("copy-to-server"),
          QStringLiteral("Скопировать все записи из dataBase.db рабочей папки на сервер, указанный в database.json "
                         "(на сервере ещё не должно быть записей).")},
         runCopyToServer},
    };
    options += staffimport::importOptions();
    return options;
}

} // namespace cli
