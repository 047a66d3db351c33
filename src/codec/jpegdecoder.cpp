#include "codec/jpegdecoder.h"

#include "codec/jpegerror.h"
#include "codec/jpegscanplan.h"

#include "codec/colorprofile.h"
#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/pixelbuffer.h"
#include "core/error.h"

#include <QIODevice>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace yotsumado {

// The libjpeg calls live in RunDecompress below, a C-style routine with its
// own setjmp. The library reports a fatal error by calling error_exit, which
// jumps back there; the routine destroys the decompressor and returns the
// message code, and only then, in ordinary C++ code, does it become an
// exception. No object with a destructor lives in the frames a jump crosses.

namespace {


// Source manager reading the stream from a QIODevice in pieces, so a file of
// any size needs only this buffer.
constexpr std::size_t kSourceBufferSize = 64 * 1024;

// Between markers the library discards whatever is not 0xFF, byte by byte:
// a stream that goes on this long without one (a hole of zeros where its end
// should be) has ended. Real entropy-coded data has its 0xFF bytes far more
// often; even the flattest picture the size bound allows codes to less.
constexpr qint64 kMaxBytesWithoutMarker = qint64(32) << 20;

// Once every row is out only the end marker is still to come; this much of
// what follows is read for it, no more.
constexpr qint64 kMaxTailBytes = 64 * 1024;

struct DeviceSource {
    jpeg_source_mgr pub;
    QIODevice* device;
    JOCTET* buffer;
    bool atStart;
    qint64 sinceMarkerByte;  // bytes read since the last 0xFF
    qint64 sinceMarkerBefore;  // the same before the buffer's bytes
    qint64 tailLeft;         // bytes still read once the rows are out; < 0 while they are not
    // Stretches of the stream passed over unread (scans the output needs
    // none of), in stream order, and the first one still ahead.
    const JpegStreamRange* skips;
    int skipCount;
    int nextSkip;
};

// What the reduced decodes of this process have passed over.
std::atomic<qint64> scanBytesPassedOver{0};

// How much the next read may take before the next stretch to pass over,
// once the device has been moved past any stretch it has reached.
qint64 ReadableBeforeSkip(DeviceSource* src, qint64 room)
{
    qint64 at = src->device->pos();
    while (src->nextSkip < src->skipCount && at >= src->skips[src->nextSkip].begin) {
        const JpegStreamRange& skip = src->skips[src->nextSkip++];
        if (at == skip.begin && src->device->seek(skip.end)) {
            scanBytesPassedOver.fetch_add(skip.end - skip.begin, std::memory_order_relaxed);
            at = skip.end;
        }
    }
    return src->nextSkip < src->skipCount ? std::min(room, src->skips[src->nextSkip].begin - at) : room;
}

// What a decode keeps of the stream's markers and what may stop it, in plain
// data: it is reached through the library's client_data, from inside the
// library's calls.
struct DecodeState {
    // The first Exif APP1 segment, from its "Exif" on.
    JOCTET* exif = nullptr;
    unsigned exifLength = 0;
    // The ICC_PROFILE APP2 chunks by their number (1..255), and how many the
    // first of them says there are.
    JOCTET* icc[256] = {};
    unsigned iccLength[256] = {};
    int iccChunks = 0;
    qint64 iccBytes = 0;
    bool iccBroken = false;
    // What is kept counts in the budget of the decode, and in the library's
    // own bound.
    BudgetShare* share = nullptr;
    qint64 keptBytes = 0;
    const std::atomic<bool>* cancel = nullptr;
    bool cancelled = false;
};

DecodeState* StateOf(j_decompress_ptr cinfo)
{
    return static_cast<DecodeState*>(cinfo->client_data);
}

// Ends the decode when another thread has asked for it to end.
void StopIfCancelled(j_decompress_ptr cinfo)
{
    DecodeState* state = StateOf(cinfo);
    if (state->cancel && state->cancel->load(std::memory_order_relaxed)) {
        state->cancelled = true;
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_INPUT_EOF);
    }
}

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<DeviceSource*>(cinfo->src)->atStart = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    StopIfCancelled(cinfo);
    DeviceSource* src = reinterpret_cast<DeviceSource*>(cinfo->src);
    const qint64 room = ReadableBeforeSkip(
        src, src->tailLeft < 0 ? qint64(kSourceBufferSize) : std::min(qint64(kSourceBufferSize), src->tailLeft));
    src->sinceMarkerBefore = src->sinceMarkerByte;
    qint64 got = room > 0 && src->sinceMarkerByte <= kMaxBytesWithoutMarker
        ? src->device->read(reinterpret_cast<char*>(src->buffer), room) : 0;
    if (got > 0) {
        const void* lastMarkerByte = memrchr(src->buffer, 0xFF, std::size_t(got));
        src->sinceMarkerByte = lastMarkerByte ? src->buffer + got - static_cast<const JOCTET*>(lastMarkerByte) - 1
                                              : src->sinceMarkerByte + got;
        if (src->tailLeft > 0)
            src->tailLeft -= got;
    } else {
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

// What is skipped (a marker segment's body) is passed over by seeking, not
// read, where the device allows it.
void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    DeviceSource* src = reinterpret_cast<DeviceSource*>(cinfo->src);
    std::size_t remaining = std::size_t(count);
    if (remaining > src->pub.bytes_in_buffer && !src->device->isSequential() && src->tailLeft < 0) {
        const qint64 beyond = qint64(remaining - src->pub.bytes_in_buffer);
        src->pub.bytes_in_buffer = 0;
        src->sinceMarkerByte = 0;
        if (src->device->seek(std::min(src->device->pos() + beyond, src->device->size())))
            return;
        remaining = 0;
    }
    while (remaining > src->pub.bytes_in_buffer) {
        remaining -= src->pub.bytes_in_buffer;
        (*src->pub.fill_input_buffer)(cinfo);
    }
    src->pub.next_input_byte += remaining;
    src->pub.bytes_in_buffer -= remaining;
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
    src->sinceMarkerByte = 0;
    src->sinceMarkerBefore = 0;
    src->tailLeft = -1;
    src->skips = nullptr;
    src->skipCount = 0;
    src->nextSkip = 0;
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    cinfo->src = &src->pub;
}

// From here on at most kMaxTailBytes more are read.
void LimitTail(j_decompress_ptr cinfo)
{
    reinterpret_cast<DeviceSource*>(cinfo->src)->tailLeft = kMaxTailBytes;
}

unsigned ReadByte(j_decompress_ptr cinfo)
{
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0)
        (*src->fill_input_buffer)(cinfo);
    --src->bytes_in_buffer;
    return *src->next_input_byte++;
}

void ReadBytes(j_decompress_ptr cinfo, JOCTET* to, std::size_t count)
{
    jpeg_source_mgr* src = cinfo->src;
    while (count > 0) {
        if (src->bytes_in_buffer == 0)
            (*src->fill_input_buffer)(cinfo);
        const std::size_t n = std::min(count, src->bytes_in_buffer);
        std::memcpy(to, src->next_input_byte, n);
        src->next_input_byte += n;
        src->bytes_in_buffer -= n;
        to += n;
        count -= n;
    }
}

// The most of a colour profile that is kept: far beyond any real one.
constexpr qint64 kMaxProfileBytes = qint64(4) << 20;

// A segment of `length` bytes (its first `head` bytes already read into
// `start`) kept whole in the library's memory, counted in the budget; null,
// and the segment skipped, when the budget cannot give it.
JOCTET* KeepSegment(j_decompress_ptr cinfo, const JOCTET* start, std::size_t head, std::size_t length)
{
    if (!StateOf(cinfo)->share->Grow(qint64(length))) {
        (*cinfo->src->skip_input_data)(cinfo, long(length - head));
        return nullptr;
    }
    StateOf(cinfo)->keptBytes += qint64(length);
    JOCTET* kept = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, length));
    std::memcpy(kept, start, head);
    ReadBytes(cinfo, kept + head, length - head);
    return kept;
}

// Reads an APP1 or APP2 segment: keeps the first Exif segment and the chunks
// of an ICC profile, and skips everything else unread. Each segment costs
// its own length and no more, however many there are.
boolean ReadAppSegment(j_decompress_ptr cinfo)
{
    StopIfCancelled(cinfo);
    DecodeState* state = StateOf(cinfo);
    const unsigned high = ReadByte(cinfo);
    const std::size_t declared = high << 8 | ReadByte(cinfo);
    const std::size_t length = declared < 2 ? 0 : declared - 2;
    constexpr std::size_t kHead = 14;  // "ICC_PROFILE\0", chunk number, chunk count
    JOCTET head[kHead];
    const std::size_t headBytes = std::min(length, kHead);
    ReadBytes(cinfo, head, headBytes);
    if (cinfo->unread_marker == JPEG_APP0 + 1 && !state->exif && headBytes >= 6 &&
        std::memcmp(head, "Exif\0\0", 6) == 0) {
        state->exif = KeepSegment(cinfo, head, headBytes, length);
        state->exifLength = state->exif ? unsigned(length) : 0;
        return TRUE;
    }
    if (cinfo->unread_marker == JPEG_APP0 + 2 && headBytes == kHead && std::memcmp(head, "ICC_PROFILE", 12) == 0) {
        const int number = head[12];
        const int count = head[13];
        if (state->iccChunks == 0)
            state->iccChunks = count;
        const std::size_t body = length - kHead;
        if (body == 0 || number < 1 || number > count || count != state->iccChunks || state->icc[number] ||
            state->iccBytes + qint64(body) > kMaxProfileBytes) {
            state->iccBroken = true;
            (*cinfo->src->skip_input_data)(cinfo, long(body));
            return TRUE;
        }
        state->icc[number] = KeepSegment(cinfo, head + kHead, 0, body);
        state->iccLength[number] = unsigned(body);
        state->iccBytes += qint64(body);
        state->iccBroken = state->iccBroken || !state->icc[number];
        return TRUE;
    }
    (*cinfo->src->skip_input_data)(cinfo, long(length - headBytes));
    return TRUE;
}

// Watches the scans as the library reads them. Every scan makes the library
// walk all blocks of the components in it, even a scan that carries no data,
// so the scans' cost is their blocks added up; a stream is stopped at the
// first scan whose work would cross kMaxJpegScanWork, or at the first scan
// beyond kMaxJpegScans, before the work of decoding it is done.
struct ScanWatch {
    jpeg_progress_mgr pub;  // first: the library sees only this
    int countedScans;
    qint64 work;
};

qint64 DivideRoundingUp(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

// The blocks the scan just announced makes the library visit.
qint64 ScanBlocks(j_decompress_ptr cinfo)
{
    int components[MAX_COMPS_IN_SCAN];
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        components[i] = cinfo->cur_comp_info[i]->component_index;
    return JpegScanBlocks(cinfo, components, cinfo->comps_in_scan);
}

void CountScans(j_decompress_ptr cinfo)
{
    ScanWatch* watch = reinterpret_cast<ScanWatch*>(cinfo->progress);
    if (cinfo->input_scan_number > kMaxJpegScans)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_BAD_PROGRESSION);
    if (cinfo->input_scan_number <= watch->countedScans)
        return;
    watch->countedScans = cinfo->input_scan_number;
    watch->work += ScanBlocks(cinfo);
    if (watch->work > kMaxJpegScanWork)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_BAD_PROGRESSION);
}

// Called by the library after every scan header and every row of input.
void LimitScans(j_common_ptr cinfo)
{
    StopIfCancelled(reinterpret_cast<j_decompress_ptr>(cinfo));
    CountScans(reinterpret_cast<j_decompress_ptr>(cinfo));
}

// What the library will keep for the whole picture: a stream in more than one
// scan (progressive, or components in separate scans) is decoded from a
// buffer of all its coefficients, 2 bytes a sample in whole blocks (whole
// MCUs' worth for each component), whatever the output size.
qint64 CoefficientBufferBytes(j_decompress_ptr cinfo)
{
    if (!cinfo->progressive_mode && cinfo->comps_in_scan >= cinfo->num_components)
        return 0;
    qint64 blocks = 0;
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        const jpeg_component_info* c = &cinfo->comp_info[ci];
        blocks += DivideRoundingUp(c->width_in_blocks, c->h_samp_factor) * c->h_samp_factor *
                  DivideRoundingUp(c->height_in_blocks, c->v_samp_factor) * c->v_samp_factor;
    }
    return blocks * qint64(sizeof(JBLOCK));
}

// The library's other memory: its work rows (a few block rows of every
// component, with context for smoothing and upsampling), tables and the
// input buffer; generous, as it also caps the library.
qint64 LibraryRowBytes(j_decompress_ptr cinfo)
{
    return (qint64(16) << 20) + (qint64(cinfo->image_width) + 64) * cinfo->num_components * 64;
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

// How far the library's DCT scaling may reduce the picture: to the smallest
// of its scales M/8 whose turned picture is still at least `size` in both
// directions (a picture to be filtered down further) or in either one (a
// thumbnail, whose other direction the caller fits). No size: full size.
struct Reduction {
    QSize size;
    bool eitherDirection = false;
};

// What the decode routine needs from its caller, in plain data.
struct DecodeRequest {
    QIODevice* device;
    // Receives the picture (24-bit); null when the rows go to `sink` instead.
    QImage* image = nullptr;
    JpegRowSink* sink = nullptr;
    // Receives the transform of the picture's colour profile, if it has a
    // usable one. It lives in the caller's frame, out of reach of the jump.
    std::unique_ptr<ColorProfileTransform>* colour = nullptr;
    // Leave R G B pixels as stored and only hand the transform out (CMYK
    // pictures are converted all the same: their R G B comes from it).
    bool deferColour = false;
    Reduction reduction = {};
    // Grows by what the picture and the library's work will take before any
    // of it is taken; the decode is refused when it cannot.
    BudgetShare* share = nullptr;
    int errorCode = 0;  // set when the routine returns false
    // Seen by the library's calls through client_data.
    DecodeState state = {};
};

// The orientation of the first Exif APP1 marker, 1 when there is none.
int OrientationOf(j_decompress_ptr cinfo)
{
    const DecodeState* state = StateOf(cinfo);
    return state->exif ? ExifOrientation(state->exif, state->exifLength) : 1;
}

// The ICC profile the kept chunks make up, in one piece in the library's
// memory (counted in the budget), or null when a chunk is missing, doubled or
// was not kept.
JOCTET* AssembleProfile(j_decompress_ptr cinfo, unsigned* length)
{
    DecodeState* state = StateOf(cinfo);
    if (state->iccChunks == 0 || state->iccBroken)
        return nullptr;
    for (int i = 1; i <= state->iccChunks; ++i) {
        if (!state->icc[i])
            return nullptr;
    }
    if (!state->share->Grow(state->iccBytes))
        return nullptr;
    state->keptBytes += state->iccBytes;
    JOCTET* icc = static_cast<JOCTET*>((*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo),
                                                                  JPOOL_PERMANENT, std::size_t(state->iccBytes)));
    JOCTET* at = icc;
    for (int i = 1; i <= state->iccChunks; ++i) {
        std::memcpy(at, state->icc[i], state->iccLength[i]);
        at += state->iccLength[i];
    }
    *length = unsigned(state->iccBytes);
    return icc;
}

// The picture's ICC profile (APP2 markers) as a transform to sRGB, or none;
// building it takes from `budget`.
void ReadColourProfile(j_decompress_ptr cinfo, std::unique_ptr<ColorProfileTransform>* colour, bool cmyk,
                       MemoryBudget* budget)
{
    unsigned int length = 0;
    const JOCTET* icc = colour ? AssembleProfile(cinfo, &length) : nullptr;
    if (!icc)
        return;
    using Input = ColorProfileTransform::Input;
    const Input input = cmyk ? (cinfo->saw_Adobe_marker ? Input::InvertedCmyk : Input::Cmyk)
        : cinfo->jpeg_color_space == JCS_GRAYSCALE ? Input::Grey : Input::Rgb;
    *colour = ColorProfileTransform::ToSrgb(icc, length, input, budget);
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

// Sets the library's scale as `reduction` asks (full size when it asks for
// nothing or no scale is large enough).
void ChooseScale(j_decompress_ptr cinfo, const Reduction& reduction, int orientation)
{
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    if (reduction.size.isEmpty())
        return;
    const bool turned = OrientationTransposes(orientation);
    for (unsigned int m = 1; m <= 8; ++m) {
        cinfo->scale_num = m;
        cinfo->scale_denom = 8;
        jpeg_calc_output_dimensions(cinfo);
        const long long w = turned ? cinfo->output_height : cinfo->output_width;
        const long long h = turned ? cinfo->output_width : cinfo->output_height;
        const bool wide = w >= reduction.size.width();
        const bool high = h >= reduction.size.height();
        if (reduction.eitherDirection ? wide || high : wide && high)
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

// Where the output is reduced so far that the inverse DCT reads only some of
// each block's coefficients, a progressive stream's scans that carry none of
// them are passed over unread (see PlanUnneededScans). Block smoothing is
// then turned off: it would take the coefficients never read for missing,
// where the full decode, all of them there, does not smooth. Returns whether
// anything will be passed over.
bool PassOverUnneededScans(j_decompress_ptr cinfo)
{
    DeviceSource* src = reinterpret_cast<DeviceSource*>(cinfo->src);
    if (!cinfo->progressive_mode || cinfo->arith_code || src->device->isSequential() ||
        !JpegIdctReadsFewCoefficients(cinfo))
        return false;
    // The walk reads ahead through the source's buffer; the library then
    // reads on from where it was, with nothing of the old buffer left.
    const std::size_t used = src->pub.next_input_byte ? std::size_t(src->pub.next_input_byte - src->buffer) : 0;
    const qint64 from = src->device->pos() - qint64(src->pub.bytes_in_buffer);
    const void* lastMarkerByte = memrchr(src->buffer, 0xFF, used);
    src->sinceMarkerByte = lastMarkerByte ? src->buffer + used - static_cast<const JOCTET*>(lastMarkerByte) - 1
                                          : src->sinceMarkerBefore + qint64(used);
    JpegStreamRange* skips = static_cast<JpegStreamRange*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, sizeof(JpegStreamRange) * kMaxJpegScans));
    const int count = PlanUnneededScans(cinfo, *src->device, from, src->buffer, kSourceBufferSize, skips,
                                        kMaxJpegScans, StateOf(cinfo)->cancel);
    if (!src->device->seek(from))
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_READ);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = 0;
    src->skips = skips;
    src->skipCount = count;
    src->nextSkip = 0;
    if (count > 0)
        cinfo->do_block_smoothing = FALSE;
    return count > 0;
}

// Bytes between rows of a 24-bit picture: padded to 32 bits, as QImage and
// NewRgb888Image lay them out.
qint64 RowStride(JDIMENSION width)
{
    return (qint64(width) * 3 + 3) & ~qint64(3);
}

bool RunDecompress(DecodeRequest* request)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    ScanWatch progress;

    InstallJpegErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        request->errorCode = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.pub.progress_monitor = LimitScans;
    progress.pub.pass_counter = 0;
    progress.pub.pass_limit = 0;
    progress.pub.completed_passes = 0;
    progress.pub.total_passes = 0;
    progress.countedScans = 0;
    progress.work = 0;
    cinfo.progress = &progress.pub;
    cinfo.client_data = &request->state;
    UseDeviceSource(&cinfo, request->device);
    // Exif (orientation) and ICC profile markers are kept for reading.
    jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 1, ReadAppSegment);
    jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 2, ReadAppSegment);

    jpeg_read_header(&cinfo, TRUE);
    if (!PictureSizeAllowed(qint64(cinfo.image_width), qint64(cinfo.image_height)))
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_IMAGE_TOO_BIG);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_block_smoothing = TRUE;
    cinfo.quantize_colors = FALSE;
    const int orientation = OrientationOf(&cinfo);
    ReadColourProfile(&cinfo, request->colour, cmyk, request->share ? request->share->Budget() : nullptr);
    const ColorProfileTransform* colour = request->colour ? request->colour->get() : nullptr;
    if (colour && request->deferColour && !cmyk)
        colour = nullptr;
    else if (request->deferColour && request->colour)
        request->colour->reset();  // used up here, nothing left to defer
    // A grey picture that is shown through the stretch, upright as stored,
    // needs no colour of its own: one byte a pixel, which the stretch repeats
    // into red, green and blue.
    const bool grey = request->deferColour && request->image && cinfo.jpeg_color_space == JCS_GRAYSCALE &&
        orientation == 1;
    if (grey)
        cinfo.out_color_space = JCS_GRAYSCALE;
    ChooseScale(&cinfo, request->reduction, orientation);
    // The first scan's header has been read with the picture's.
    CountScans(&cinfo);

    // Everything the decode will take is asked of the budget before any of
    // it is taken; the library itself is held to its part.
    jpeg_calc_output_dimensions(&cinfo);
    const qint64 libraryBytes = CoefficientBufferBytes(&cinfo) + LibraryRowBytes(&cinfo);
    const qint64 rowBytes = grey ? (qint64(cinfo.output_width) + 3) & ~qint64(3) : RowStride(cinfo.output_width);
    const qint64 pictureBytes = request->sink ? 0 : rowBytes * qint64(cinfo.output_height);
    if (!request->share->Grow(libraryBytes + pictureBytes))
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_IMAGE_TOO_BIG);
    cinfo.mem->max_memory_to_use = long(libraryBytes + request->state.keptBytes);
    PassOverUnneededScans(&cinfo);

    // For a multi-scan picture this takes in the whole stream, scan by scan,
    // under the watch of LimitScans.
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    if (request->sink) {
        if (!request->sink->Begin(int(width), int(height), orientation))
            JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_OUT_OF_MEMORY);
        ReadWantedRows(&cinfo, request->sink, cmyk, colour);
        LimitTail(&cinfo);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    const bool turned = OrientationTransposes(orientation);
    std::ptrdiff_t stride = 0;
    QImage& image = *request->image;
    image = grey ? QImage(int(width), int(height), QImage::Format_Grayscale8)
                 : NewRgb888Image(int(turned ? height : width), int(turned ? width : height));
    if (image.isNull())
        JpegFail(reinterpret_cast<j_common_ptr>(&cinfo), JERR_OUT_OF_MEMORY);
    // The image owns its buffer alone, so bits() gives it without a copy.
    JSAMPLE* const pixels = image.bits();
    stride = std::ptrdiff_t(image.bytesPerLine());

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

    LimitTail(&cinfo);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Runs the request with `share`: on success the share keeps the picture's
// bytes, on failure it is back where it was.
QImage Decode(DecodeRequest request, BudgetShare& share)
{
    QImage image;
    std::unique_ptr<ColorProfileTransform> colour;
    if (!request.sink)
        request.image = &image;
    if (!request.colour)
        request.colour = &colour;
    const qint64 before = share.Bytes();
    request.share = &share;
    request.state.share = &share;
    if (!RunDecompress(&request)) {
        share.ShrinkTo(before);
        if (request.state.cancelled)
            throw EAbort();
        throw JpegError(request.errorCode);
    }
    share.ShrinkTo(before + qint64(image.sizeInBytes()));
    return image;
}

// A decode within a whole program budget of its own, for callers that keep
// nothing else.
template <typename Run>
auto WithinProgramBudget(Run run)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return run(share);
}

} // namespace

QImage DecodeJpeg(QIODevice& in, BudgetShare& share)
{
    return Decode({&in}, share);
}

QImage DecodeJpeg(QIODevice& in)
{
    return WithinProgramBudget([&](BudgetShare& share) { return DecodeJpeg(in, share); });
}

QImage DecodeJpeg(QIODevice& in, std::unique_ptr<ColorProfileTransform>* colour, BudgetShare& share)
{
    DecodeRequest request{&in};
    request.colour = colour;
    request.deferColour = true;
    return Decode(request, share);
}

QImage DecodeJpegReduced(QIODevice& in, QSize atLeast, BudgetShare& share)
{
    DecodeRequest request{&in};
    request.reduction = {atLeast.expandedTo(QSize(1, 1)), false};
    return Decode(request, share);
}

QImage DecodeJpegReduced(QIODevice& in, QSize atLeast)
{
    return WithinProgramBudget([&](BudgetShare& share) { return DecodeJpegReduced(in, atLeast, share); });
}

QImage DecodeJpegThumbnail(QIODevice& in, QSize bound, BudgetShare& share, const std::atomic<bool>* cancel)
{
    DecodeRequest request{&in};
    request.state.cancel = cancel;
    request.reduction = {bound.expandedTo(QSize(1, 1)), true};
    return Decode(request, share);
}

void DecodeJpegRows(QIODevice& in, JpegRowSink& sink, BudgetShare& share)
{
    DecodeRequest request{&in};
    request.sink = &sink;
    Decode(request, share);
}

qint64 JpegScanBytesPassedOver()
{
    return scanBytesPassedOver.load(std::memory_order_relaxed);
}

void DecodeJpegRows(QIODevice& in, JpegRowSink& sink)
{
    WithinProgramBudget([&](BudgetShare& share) { DecodeJpegRows(in, sink, share); });
}

} // namespace yotsumado
