#ifndef QUESTIONS_H
#define QUESTIONS_H

#include <QString>
#include <QStringList>

// What the program's work asks the operator, one function per question. The
// window answers with message boxes and file dialogs (app/messagequestions.h),
// the tests with scripted replies. Every question's default answer is the
// careful one: not to print, not to go on, no file.
class Questions
{
public:
    enum class FitAnswer { Shrink, AsIs, Cancel };
    enum class FileChoice { OpenOne, OpenMany, Save };

    virtual ~Questions() = default;

    // "Текст не помещается": text names what overflows.
    virtual FitAnswer fit(const QString& text) = 0;
    // The same when not even the smallest size makes the text fit: only
    // AsIs or Cancel.
    virtual FitAnswer cannotFit(const QString& text) = 0;
    // The printer's driver offers no A6 paper: true to print all the same.
    virtual bool printWithoutA6(const QString& printer) = 0;
    // The layout's family is missing and used stands in: true to print all the same.
    virtual bool printInOtherFamily(const QString& requested, const QString& used) = 0;
    // A step that cannot be undone; detail says what goes. True to go on.
    virtual bool confirm(const QString& detail) = 0;
    // The file (or files) to open or the one to save; empty when cancelled.
    virtual QStringList chooseFiles(FileChoice choice, const QString& title, const QString& folder,
                                    const QString& filter) = 0;

    // The answerer of the work that has none passed in (file choices of the
    // text files and the database): the one installed last, else one that
    // answers every question with its default.
    static Questions& current();
    // Installs questions (nullptr: the default one again); the caller keeps it alive.
    static void install(Questions* questions);
};

#endif // QUESTIONS_H
