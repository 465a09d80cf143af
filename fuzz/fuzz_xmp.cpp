// libFuzzer target: see fuzz/README section in the top README.
#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return FuzzXmp(data, size);
}
