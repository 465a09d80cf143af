#include "common/FileModes.h"

#include <sys/stat.h>

mode_t ProcessUmask()
{
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}
