#ifndef TRANSLATIONS_H
#define TRANSLATIONS_H

class QCoreApplication;

// Installs Qt's own Russian texts (buttons of standard dialogs, command-line
// messages) whatever the system's locale. A missing translation file is not an
// error: Qt's texts then stay English. Returns whether the texts were found.
bool loadQtTranslations(QCoreApplication& app);

#endif // TRANSLATIONS_H
