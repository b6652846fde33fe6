#include "app/security.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Security window;
    // A failed start has already told the operator why; the window is never shown.
    if (window.initialize() != 0)
        return 1;
    window.show();
    return app.exec();
}
