// Saves a file the way the program does and, when asked, stops for good just
// before the new file is put in place, so that a test can kill it there.
//   savehelper PATH stop|go [named]
// Prints "ready" on standard output at the stop; exit status 0 after a save,
// 1 when the save failed.

#include "codec/atomicfile.h"
#include "core/error.h"

#include <QByteArray>

#include <cstdio>
#include <cstring>

#include <unistd.h>

using namespace yotsumado;

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    AtomicFileTestHooks& hooks = AtomicFileHooksForTests();
    hooks.namedTemporaryOnly = argc > 3 && std::strcmp(argv[3], "named") == 0;
    if (std::strcmp(argv[2], "stop") == 0) {
        hooks.beforeLink = [] {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            for (;;)
                ::pause();
        };
    }
    try {
        WriteFileAtomically(QString::fromUtf8(argv[1]), QByteArray("new contents"));
    } catch (const Exception&) {
        return 1;
    }
    return 0;
}
