#include "jpegdecoder.h"

#include "jpegerror.h"

#include "colorprofile.h"
#include "error.h"
#include "exiforientation.h"
#include "pictureformat.h"
#include "pixelbuffer.h"

#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

// The libjpeg calls live in RunDecompress below, a C-style routine with its
// own setjmp. The library reports a fatal error by calling error_exit, which
// jumps back there; the routine destroys the decompressor and returns the
// message code, and only then, in ordinary C++ code, does it become an
// exception. No object with a destructor lives in the frames a jump crosses.

namespace {


// Source manager reading the stream from a QIODevice in pieces, so a file of
// any size needs only this buffer.
constexpr std::size_t kSourceBufferSize = 64 * 1024;

struct DeviceSource {
    jpeg_source_mgr pub;
    QIODevice* device;
    JOCTET* buffer;
    bool atStart;
};

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<DeviceSource*>(cinfo->src)->atStart = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    DeviceSource* src = reinterpret_cast<DeviceSource*>(cinfo->src);
    qint64 got = src->device->read(reinterpret_cast<char*>(src->buffer), qint64(kSourceBufferSize));
    if (got <= 0) {
        if (src->atStart)
            JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EMPTY);
        // Same as the library's own sources: warn, then end the stream with
        // a fake EOI so the picture decoded so far can still be shown.
        cinfo->err->msg_code = JWRN_JPEG_EOF;
        (*cinfo->err->emit_message)(reinterpret_cast<j_common_ptr>(cinfo), -1);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = std::size_t(got);
    src->atStart = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    std::size_t remaining = std::size_t(count);
    while (remaining > src->bytes_in_buffer) {
        remaining -= src->bytes_in_buffer;
        (*src->fill_input_buffer)(cinfo);
    }
    src->next_input_byte += remaining;
    src->bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

void UseDeviceSource(j_decompress_ptr cinfo, QIODevice* device)
{
    void* memory = (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                              sizeof(DeviceSource));
    DeviceSource* src = static_cast<DeviceSource*>(memory);
    src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                                                  JPOOL_PERMANENT, kSourceBufferSize));
    src->device = device;
    src->atStart = true;
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    cinfo->src = &src->pub;
}

// Called by the library after every scan header and every row of input it
// takes in; a stream of absurdly many scans is stopped at the first scan too
// many, before the work of decoding them all.
void LimitScans(j_common_ptr cinfo)
{
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        JpegFail(cinfo, JERR_BAD_PROGRESSION);
}

// Adobe writes CMYK (and YCCK, which the library turns into CMYK) inverted:
// 255 means no ink. Other writers store plain ink amounts.
void CmykRowToRgb(const JSAMPLE* cmyk, JSAMPLE* rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // c, m, y, k now hold the light each ink lets through.
        rgb[0] = JSAMPLE((c * k + 127) / 255);
        rgb[1] = JSAMPLE((m * k + 127) / 255);
        rgb[2] = JSAMPLE((y * k + 127) / 255);
    }
}

// What the decode routine needs from its caller, in plain data.
struct DecodeRequest {
    QIODevice* device;
    // Makes the target picture and returns its first row, or null when it
    // cannot be had; *stride receives the distance between rows in bytes.
    JSAMPLE* (*allocate)(void* context, JDIMENSION width, JDIMENSION height, std::ptrdiff_t* stride);
    void* context;
    int errorCode;  // set when the routine returns false
    // When set, the rows go to this sink instead (allocate is not used).
    JpegRowSink* sink = nullptr;
    // Receives the transform of the picture's colour profile, if it has a
    // usable one. It lives in the caller's frame, out of reach of the jump.
    std::unique_ptr<ColorProfileTransform>* colour = nullptr;
    // Leave R G B pixels as stored and only hand the transform out (CMYK
    // pictures are converted all the same: their R G B comes from it).
    bool deferColour = false;
    // When not empty: decode at the smallest of the library's scales M/8
    // whose turned picture is still at least this large.
    int minWidth = 0;
    int minHeight = 0;
};

// The orientation of the first Exif APP1 marker, 1 when there is none.
int OrientationOf(j_decompress_ptr cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(m->data, m->data_length);
    }
    return 1;
}

// The picture's ICC profile (APP2 markers) as a transform to sRGB, or none.
void ReadColourProfile(j_decompress_ptr cinfo, std::unique_ptr<ColorProfileTransform>* colour, bool cmyk)
{
    JOCTET* icc = nullptr;
    unsigned int length = 0;
    if (!colour || !jpeg_read_icc_profile(cinfo, &icc, &length))
        return;
    using Input = ColorProfileTransform::Input;
    const Input input = cmyk ? (cinfo->saw_Adobe_marker ? Input::InvertedCmyk : Input::Cmyk)
        : cinfo->jpeg_color_space == JCS_GRAYSCALE ? Input::Grey : Input::Rgb;
    *colour = ColorProfileTransform::ToSrgb(icc, length, input);
    std::free(icc);
}

// Turns one decoded row (R G B, or C M Y K) into R G B at `rgb`, through the
// colour profile when there is one. Returns `rgb`; for a decoded R G B row
// without a profile the row itself, untouched.
const JSAMPLE* FinishRow(const JSAMPLE* decoded, JSAMPLE* rgb, JDIMENSION width, bool cmyk, bool inverted,
                         const ColorProfileTransform* colour)
{
    if (colour) {
        colour->Convert(decoded, rgb, width);
        return rgb;
    }
    if (cmyk) {
        CmykRowToRgb(decoded, rgb, width, inverted);
        return rgb;
    }
    return decoded;
}

// Chooses the scale of a reduced decode (DecodeRequest::minWidth).
void ChooseScale(j_decompress_ptr cinfo, int minWidth, int minHeight, int orientation)
{
    const bool turned = OrientationTransposes(orientation);
    for (unsigned int m = 1; m <= 8; ++m) {
        cinfo->scale_num = m;
        cinfo->scale_denom = 8;
        jpeg_calc_output_dimensions(cinfo);
        const long long w = turned ? cinfo->output_height : cinfo->output_width;
        const long long h = turned ? cinfo->output_width : cinfo->output_height;
        if (w >= minWidth && h >= minHeight)
            return;
    }
}

// The selective loop of DecodeJpegRows: skips what the sink does not want,
// reads the rest one row at a time into a work row owned by the library.
void ReadWantedRows(j_decompress_ptr cinfo, JpegRowSink* sink, bool cmyk, const ColorProfileTransform* colour)
{
    const JDIMENSION width = cinfo->output_width;
    const JDIMENSION height = cinfo->output_height;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE, width * (cmyk ? 4 : 3), 1);
    JSAMPARRAY rgb = cmyk || colour ? (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE, width * 3, 1) : row;
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < height) {
        const JDIMENSION y = cinfo->output_scanline;
        const int wanted = sink->NextWanted(int(y));
        // The last row is read in any case: stopping short would leave the
        // rest of the stream unread, where a full decode would still meet
        // (and report) whatever follows.
        const JDIMENSION next = std::min(JDIMENSION(std::max(wanted, int(y))), height - 1);
        if (next > y) {
            jpeg_skip_scanlines(cinfo, next - y);
            continue;
        }
        jpeg_read_scanlines(cinfo, row, 1);
        if (wanted != int(y))
            continue;
        sink->Row(int(y), FinishRow(row[0], rgb[0], width, cmyk, inverted, colour));
    }
}

bool RunDecompress(DecodeRequest* request)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    jpeg_progress_mgr progress;

    InstallJpegErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        request->errorCode = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitScans;
    progress.pass_counter = 0;
    progress.pass_limit = 0;
    progress.completed_passes = 0;
    progress.total_passes = 0;
    cinfo.progress = &progress;
    UseDeviceSource(&cinfo, request->device);
    // Exif (orientation) and ICC profile markers are kept for reading.
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);

    jpeg_read_header(&cinfo, TRUE);
    if (!PictureSizeAllowed(qint64(cinfo.image_width), qint64(cinfo.image_height)))
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_IMAGE_TOO_BIG);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_block_smoothing = TRUE;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    cinfo.quantize_colors = FALSE;
    const int orientation = OrientationOf(&cinfo);
    ReadColourProfile(&cinfo, request->colour, cmyk);
    const ColorProfileTransform* colour = request->colour ? request->colour->get() : nullptr;
    if (colour && request->deferColour && !cmyk)
        colour = nullptr;
    else if (request->deferColour && request->colour)
        request->colour->reset();  // used up here, nothing left to defer
    if (request->minWidth > 0 && request->minHeight > 0)
        ChooseScale(&cinfo, request->minWidth, request->minHeight, orientation);

    // For a multi-scan picture this takes in the whole stream, scan by scan,
    // under the watch of LimitScans.
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    if (request->sink) {
        if (!request->sink->Begin(int(width), int(height), orientation))
            JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_OUT_OF_MEMORY);
        ReadWantedRows(&cinfo, request->sink, cmyk, colour);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    const bool turned = OrientationTransposes(orientation);
    std::ptrdiff_t stride = 0;
    JSAMPLE* const pixels = request->allocate(request->context, turned ? height : width, turned ? width : height,
                                              &stride);
    if (!pixels)
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_OUT_OF_MEMORY);

    // Rows are read several per call: straight into the picture when they
    // are already its rows, else into work rows to be finished and placed.
    constexpr JDIMENSION kBatch = 16;
    JSAMPROW rows[kBatch];
    const bool direct = !cmyk && orientation == 1;
    JSAMPARRAY work = nullptr;
    JSAMPARRAY rgb = nullptr;
    if (!direct) {
        j_common_ptr common = reinterpret_cast<j_common_ptr>(&cinfo);
        work = (*cinfo.mem->alloc_sarray)(common, JPOOL_IMAGE, width * (cmyk ? 4 : 3), kBatch);
        rgb = (*cinfo.mem->alloc_sarray)(common, JPOOL_IMAGE, width * 3, kBatch);
    }
    const JSAMPLE* finished[kBatch];
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min(kBatch, height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = direct ? pixels + std::ptrdiff_t(first + i) * stride : work[i];
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
        for (JDIMENSION i = 0; i < got; ++i) {
            const JDIMENSION y = first + i;
            if (direct) {
                if (colour)
                    colour->Convert(rows[i], rows[i], width);
            } else if (orientation == 1) {
                FinishRow(rows[i], pixels + std::ptrdiff_t(y) * stride, width, cmyk, inverted, colour);
            } else {
                finished[i] = FinishRow(rows[i], rgb[i], width, cmyk, inverted, colour);
            }
        }
        if (!direct && orientation != 1)
            PlaceStoredRows(finished, int(got), int(first), int(width), int(height), orientation, pixels, stride);
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

JSAMPLE* AllocateImage(void* context, JDIMENSION width, JDIMENSION height, std::ptrdiff_t* stride)
{
    QImage* image = static_cast<QImage*>(context);
    *image = NewRgb888Image(int(width), int(height));
    if (image->isNull())
        return nullptr;
    *stride = std::ptrdiff_t(image->bytesPerLine());
    // The image owns its buffer alone, so bits() gives it without a copy.
    return image->bits();
}

} // namespace

QImage DecodeJpeg(QIODevice& in)
{
    QImage image;
    std::unique_ptr<ColorProfileTransform> colour;
    DecodeRequest request{&in, AllocateImage, &image, 0};
    request.colour = &colour;
    if (!RunDecompress(&request))
        throw JpegError(request.errorCode);
    return image;
}

QImage DecodeJpeg(QIODevice& in, std::unique_ptr<ColorProfileTransform>* colour)
{
    QImage image;
    DecodeRequest request{&in, AllocateImage, &image, 0};
    request.colour = colour;
    request.deferColour = true;
    if (!RunDecompress(&request))
        throw JpegError(request.errorCode);
    return image;
}

QImage DecodeJpegReduced(QIODevice& in, QSize atLeast)
{
    QImage image;
    std::unique_ptr<ColorProfileTransform> colour;
    DecodeRequest request{&in, AllocateImage, &image, 0};
    request.colour = &colour;
    request.minWidth = std::max(1, atLeast.width());
    request.minHeight = std::max(1, atLeast.height());
    if (!RunDecompress(&request))
        throw JpegError(request.errorCode);
    return image;
}

void DecodeJpegRows(QIODevice& in, JpegRowSink& sink)
{
    std::unique_ptr<ColorProfileTransform> colour;
    DecodeRequest request{&in, nullptr, nullptr, 0, &sink};
    request.colour = &colour;
    if (!RunDecompress(&request))
        throw JpegError(request.errorCode);
}
