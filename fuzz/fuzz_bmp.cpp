// A dropped ".bmp" file.

#include "droppedfile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    InitDroppedFileFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return LoadAsDroppedFile(data, size, ".bmp");
}
