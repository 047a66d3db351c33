// A dropped file of one of the newer kinds, named with FUZZ_EXTENSION.

#include "droppedfile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    InitDroppedFileFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return LoadAsDroppedFile(data, size, FUZZ_EXTENSION);
}
