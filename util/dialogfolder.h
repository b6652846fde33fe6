#ifndef DIALOGFOLDER_H
#define DIALOGFOLDER_H

#include <QString>

// Where the program's file dialogs open: the folder of the file last chosen
// in one of them while the program runs, else the operator's documents
// folder (else the home folder). Never the working folder, which holds the
// program's own files.
namespace dialogfolder {

QString start();
// The start folder with fileName in it, for a dialog that suggests a name.
QString startFile(const QString& fileName);
// Notes the folder of a file the operator chose; an empty path is ignored.
void remember(const QString& filePath);
// Forgets the remembered folder (for a fresh start in tests).
void forget();

} // namespace dialogfolder

#endif // DIALOGFOLDER_H
