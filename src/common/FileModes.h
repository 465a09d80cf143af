#pragma once

#include <sys/types.h>

// The process's file-creation mask, for files made with mkstemp (0600) that
// should get the usual permissions. Read once: umask can only be read by
// setting it.
mode_t ProcessUmask();
