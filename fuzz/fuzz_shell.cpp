#include "fuzz_shell.h"

namespace tovrin::fuzz {

QTemporaryDir& ScratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

}  // namespace tovrin::fuzz
