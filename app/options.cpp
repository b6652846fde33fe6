// The table of the program's command-line options; how to add one is explained
// in app/commandline.h.
#include "app/commandline.h"

namespace cli {

QVector<Option> programOptions()
{
    return {
    };
}

} // namespace cli
