// libFuzzer target: see fuzz/README section in the top README.
#include "FuzzEntries.h"
#include "picture/LibraryMessages.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetStderrCapture(false); // sanitizer reports must reach the terminal
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return FuzzPng(data, size);
}
