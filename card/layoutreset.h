#ifndef LAYOUTRESET_H
#define LAYOUTRESET_H

#include <QString>

// Putting the delivered layout back over "params.txt" ("Сброс настроек").

// Replaces the layout parameters file targetName with the bytes of backupName.
// The target is touched only when the whole backup was read and parses as layout
// parameters, and is then swapped in one step (a half-written target never
// appears). False with the reason in *error.
bool restoreFromBackup(const QString& backupName, const QString& targetName, QString* error = nullptr);

// What "Сброс настроек" does: the fields of backupName (their fonts and
// rectangles) replace those of targetName, while the printers stay: the root
// members "printer" and "printers" and the shifts of "data" are kept from
// targetName. A target that cannot be read as layout parameters is simply
// replaced by the backup, as restoreFromBackup does. False with the reason.
bool resetLayout(const QString& backupName, const QString& targetName, QString* error = nullptr);

#endif // LAYOUTRESET_H
