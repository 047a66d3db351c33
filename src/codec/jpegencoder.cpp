#include "codec/jpegencoder.h"

#include "codec/atomicfile.h"
#include "codec/jpegerror.h"
#include "core/error.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace yotsumado {

// As in the decoder, the libjpeg calls live in one C-style routine with its
// own setjmp, and the message code becomes an exception only after the jump.

namespace {

constexpr int kQuality = 80;


// Destination manager collecting the stream in one growing malloc block that
// the caller owns, so it is freed on every path (the library's own memory
// destination can lose track of its block when an error stops it midway).
struct MemoryDestination {
    jpeg_destination_mgr pub;
    unsigned char* data;
    std::size_t capacity;
    std::size_t size;
};


void InitDestination(j_compress_ptr cinfo)
{
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->capacity = 64 * 1024;
    dest->data = static_cast<unsigned char*>(std::malloc(dest->capacity));
    if (!dest->data)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = dest->data;
    dest->pub.free_in_buffer = dest->capacity;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    // The library calls this only with the whole buffer full.
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t grown = dest->capacity * 2;
    void* moved = std::realloc(dest->data, grown);
    if (!moved)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    dest->data = static_cast<unsigned char*>(moved);
    dest->pub.next_output_byte = dest->data + dest->capacity;
    dest->pub.free_in_buffer = grown - dest->capacity;
    dest->capacity = grown;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    MemoryDestination* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

struct EncodeRequest {
    const JSAMPLE* pixels;  // 3 bytes per pixel, R G B
    std::ptrdiff_t stride;
    JDIMENSION width;
    JDIMENSION height;
    MemoryDestination dest;  // dest.data is the caller's to free
    int errorCode;
};

bool RunCompress(EncodeRequest* request)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager err;

    InstallJpegErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        request->errorCode = err.pub.msg_code;
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);

    request->dest.pub.init_destination = InitDestination;
    request->dest.pub.empty_output_buffer = EmptyOutputBuffer;
    request->dest.pub.term_destination = TermDestination;
    cinfo.dest = &request->dest.pub;

    cinfo.image_width = request->width;
    cinfo.image_height = request->height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    cinfo.dct_method = JDCT_FLOAT;

    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // The library only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPROW>(request->pixels + std::ptrdiff_t(cinfo.next_scanline) * request->stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray EncodeJpeg(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    EncodeRequest request{};
    request.pixels = rgb.constBits();
    request.stride = std::ptrdiff_t(rgb.bytesPerLine());
    request.width = JDIMENSION(rgb.width());
    request.height = JDIMENSION(rgb.height());
    const bool ok = RunCompress(&request);
    const std::unique_ptr<unsigned char, void (*)(void*)> owned(request.dest.data, std::free);
    if (!ok)
        throw JpegError(request.errorCode);
    return QByteArray(reinterpret_cast<const char*>(owned.get()), qsizetype(request.dest.size));
}

void SaveJpeg(const QImage& image, const QString& path)
{
    const QByteArray stream = EncodeJpeg(image);
    WriteFileAtomically(path, stream);
}

} // namespace yotsumado
