// The leak checker of the sanitizer build reads these at start-up: libx265
// keeps a block of its own until the process ends (nothing of ours is on
// its allocation stack).
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}
