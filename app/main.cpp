#include "app/commandline.h"
#include "app/messagequestions.h"
#include "app/security.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    return cli::run(argc, argv, [] {
        // The work's file choices are answered by dialogs from here on.
        MessageBoxQuestions questions;
        Questions::install(&questions);
        Security window;
        // A failed start has already told the operator why; the window is never shown.
        if (window.initialize() != 0)
            return 1;
        window.show();
        return QApplication::exec();
    });
}
