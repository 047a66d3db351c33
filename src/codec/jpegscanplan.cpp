#include "codec/jpegscanplan.h"

#include "codec/jpegdecoder.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace yotsumado {

namespace {

// Beyond this many bytes without a 0xFF the decode takes the stream to have
// ended (its source manager's rule); the walk then has no say.
constexpr qint64 kMaxBytesWithoutMarker = qint64(32) << 20;

// Marker codes the library's public header does not name.
constexpr int kSos = 0xDA;
constexpr int kDht = 0xC4;
constexpr int kDqt = 0xDB;
constexpr int kDri = 0xDD;

// The natural position (row * 8 + column) of each coefficient in the
// stream's zig-zag order.
constexpr std::array<int, DCTSIZE2> ZigZagOrder()
{
    std::array<int, DCTSIZE2> order{};
    int k = 0;
    for (int d = 0; d < 15; ++d) {
        for (int i = std::max(0, d - 7); i <= std::min(d, 7); ++i) {
            const int row = d % 2 ? i : d - i;  // odd diagonals run down, even ones up
            order[std::size_t(k++)] = row * DCTSIZE + d - row;
        }
    }
    return order;
}

constexpr std::array<int, DCTSIZE2> kZigZag = ZigZagOrder();

// The coefficients (bit k: the k-th in zig-zag order) that the library's
// inverse DCT of the given output block size reads. Its 1 x 1 transform
// takes the DC term alone; its 2 x 2 one (jidctred) skips rows and columns
// 2, 4 and 6; the larger ones are taken to read everything.
quint64 CoefficientsRead(int blockSize)
{
    if (blockSize > 2)
        return ~quint64(0);
    quint64 mask = 0;
    for (int k = 0; k < DCTSIZE2; ++k) {
        const int row = kZigZag[std::size_t(k)] / DCTSIZE, column = kZigZag[std::size_t(k)] % DCTSIZE;
        const bool read = blockSize == 1 ? row == 0 && column == 0
                                         : (row == 0 || row % 2) && (column == 0 || column % 2);
        if (read)
            mask |= quint64(1) << k;
    }
    return mask;
}

quint64 Band(int ss, int se)
{
    return (se == DCTSIZE2 - 1 ? ~quint64(0) : (quint64(1) << (se + 1)) - 1) & ~((quint64(1) << ss) - 1);
}

// A scan as its header gives it; `begin` and `end` bound it in the stream
// (its marker to the end of its data), begin < 0 for the scan the library
// has already begun.
struct Scan {
    int components[MAX_COMPS_IN_SCAN];
    int acTables[MAX_COMPS_IN_SCAN];
    int count;
    int ss, se, ah, al;
    qint64 begin, end;
};

// A Huffman table's code lengths as the library's own check sees them
// (jpeg_make_d_derived_tbl): no more than 256 codes, none of them all ones.
bool CodeLengthsUsable(const UINT8* bits)
{
    int symbols = 0;
    long code = 0;
    for (int length = 1; length <= 16; ++length) {
        symbols += bits[length];
        code += bits[length];
        if (symbols > 256 || (bits[length] > 0 && code >= (long(1) << length)))
            return false;
        code <<= 1;
    }
    return true;
}

// Reads the device through the caller's buffer, keeping the device position
// of every byte.
class StreamWalk {
public:
    StreamWalk(QIODevice& device, qint64 from, JOCTET* buffer, std::size_t size)
        : device_(device), buffer_(buffer), size_(size), start_(from) {}

    bool Begin() { return device_.seek(start_); }
    qint64 Position() const { return start_ + qint64(at_); }

    int Byte()
    {
        if (at_ == have_ && !Fill())
            return -1;
        return buffer_[at_++];
    }

    bool Word(int* value)
    {
        const int high = Byte(), low = Byte();
        *value = high << 8 | low;
        return low >= 0 && high >= 0;
    }

    bool Skip(qint64 count)
    {
        if (count <= qint64(have_ - at_)) {
            at_ += std::size_t(count);
            return true;
        }
        const qint64 to = Position() + count;
        if (to > device_.size() || !device_.seek(to))
            return false;
        start_ = to;
        at_ = have_ = 0;
        return true;
    }

    // Moves to the next 0xFF byte (not past it); false at the end of the
    // stream or after too long without one.
    bool ToMarkerByte()
    {
        qint64 without = 0;
        for (;;) {
            const void* found = std::memchr(buffer_ + at_, 0xFF, have_ - at_);
            if (found) {
                at_ = std::size_t(static_cast<const JOCTET*>(found) - buffer_);
                return true;
            }
            without += qint64(have_ - at_);
            at_ = have_;
            if (without > kMaxBytesWithoutMarker || !Fill())
                return false;
        }
    }

private:
    bool Fill()
    {
        start_ += qint64(have_);
        at_ = have_ = 0;
        const qint64 got = device_.read(reinterpret_cast<char*>(buffer_), qint64(size_));
        have_ = got > 0 ? std::size_t(got) : 0;
        return have_ > 0;
    }

    QIODevice& device_;
    JOCTET* buffer_;
    std::size_t size_;
    qint64 start_;  // device position of buffer_[0]
    std::size_t at_ = 0;
    std::size_t have_ = 0;
};

// What the walk found: the scans in stream order and the tables they use.
struct StreamPlan {
    std::vector<Scan> scans;
    bool acDefined[NUM_HUFF_TBLS] = {};
    bool acUsable[NUM_HUFF_TBLS] = {};
    // Per scan, whether each AC table was usable when it began.
    std::vector<unsigned> usableAtScan;
};

// Reads a scan header (after its marker and length) into `scan`; false
// for anything the library would refuse.
bool ReadScanHeader(j_decompress_ptr cinfo, StreamWalk& walk, int length, Scan* scan)
{
    const int count = walk.Byte();
    if (count < 1 || count > MAX_COMPS_IN_SCAN || length != 6 + 2 * count)
        return false;
    scan->count = count;
    for (int i = 0; i < count; ++i) {
        const int id = walk.Byte(), tables = walk.Byte();
        int index = -1;
        for (int ci = 0; ci < cinfo->num_components; ++ci) {
            if (cinfo->comp_info[ci].component_id == id)
                index = ci;
        }
        if (tables < 0 || index < 0 || std::find(scan->components, scan->components + i, index) != scan->components + i)
            return false;
        scan->components[i] = index;
        scan->acTables[i] = tables & 15;
    }
    scan->ss = walk.Byte();
    scan->se = walk.Byte();
    const int approximation = walk.Byte();
    if (approximation < 0)
        return false;
    scan->ah = approximation >> 4;
    scan->al = approximation & 15;
    // The library's own progression checks.
    const bool dc = scan->ss == 0;
    if (dc ? scan->se != 0 : scan->ss > scan->se || scan->se >= DCTSIZE2 || count != 1)
        return false;
    return (scan->ah == 0 || scan->al == scan->ah - 1) && scan->al <= 13;
}

// Reads a DHT segment's tables (after its marker and length), noting the
// AC tables it defines.
bool ReadHuffmanTables(StreamWalk& walk, int length, StreamPlan* plan)
{
    int left = length - 2;
    while (left > 16) {
        const int index = walk.Byte();
        UINT8 bits[17] = {};
        int symbols = 0;
        for (int i = 1; i <= 16; ++i) {
            const int b = walk.Byte();
            if (b < 0)
                return false;
            bits[i] = UINT8(b);
            symbols += b;
        }
        left -= 17;
        if (index < 0 || (index & 15) >= NUM_HUFF_TBLS || symbols > 256 || symbols > left || !walk.Skip(symbols))
            return false;
        left -= symbols;
        if (index & 0x10) {
            plan->acDefined[index & 15] = true;
            plan->acUsable[index & 15] = CodeLengthsUsable(bits);
        }
    }
    return left == 0;
}

// Walks the entropy-coded data of a scan up to the marker that ends it
// (restart markers and stuffed bytes belong to the data); leaves the walk
// after that marker's code, gives the code and the marker's position.
bool WalkScanData(StreamWalk& walk, int* code, qint64* at)
{
    for (;;) {
        if (!walk.ToMarkerByte())
            return false;
        *at = walk.Position();
        int c = walk.Byte();
        while (c == 0xFF)
            c = walk.Byte();
        if (c < 0)
            return false;
        if (c != 0 && (c < JPEG_RST0 || c > JPEG_RST0 + 7)) {
            *code = c;
            return true;
        }
    }
}

// Walks the stream from the first scan's data to its end marker, noting
// every further scan and the AC tables each one found defined. False for
// anything out of the ordinary.
bool WalkStream(j_decompress_ptr cinfo, StreamWalk& walk, int capacity, const std::atomic<bool>* cancel,
                StreamPlan* plan)
{
    int code = 0;
    qint64 at = 0;
    if (!WalkScanData(walk, &code, &at))
        return false;
    plan->scans.front().end = at;
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        if (code == JPEG_EOI)
            return true;
        int length = 0;
        if (!walk.Word(&length) || length < 2)
            return false;
        if (code == kSos) {
            if (int(plan->scans.size()) >= capacity || int(plan->scans.size()) >= kMaxJpegScans)
                return false;
            Scan scan{};
            scan.begin = at;
            if (!ReadScanHeader(cinfo, walk, length, &scan) || !WalkScanData(walk, &code, &scan.end))
                return false;
            unsigned usable = 0;
            for (int t = 0; t < NUM_HUFF_TBLS; ++t)
                usable |= plan->acDefined[t] && plan->acUsable[t] ? 1u << t : 0u;
            plan->scans.push_back(scan);
            plan->usableAtScan.push_back(usable);
            at = scan.end;
            continue;
        }
        if (code == kDht) {
            if (!ReadHuffmanTables(walk, length, plan))
                return false;
        } else {
            const bool plain = code == kDqt || code == kDri || code == JPEG_COM ||
                               (code >= JPEG_APP0 && code <= JPEG_APP0 + 15);
            if (!plain || !walk.Skip(length - 2))
                return false;
        }
        // The next marker must follow at once.
        at = walk.Position();
        if (walk.Byte() != 0xFF)
            return false;
        do {
            code = walk.Byte();
        } while (code == 0xFF);
        if (code < 0)
            return false;
    }
}

// Marks the scans to keep: those carrying a coefficient some inverse DCT
// reads, and, since a refinement scan reads what earlier scans of its band
// left, every scan of a band a kept scan touches. Returns false when a scan
// left out could change what the library does with the others.
bool ChooseScans(j_decompress_ptr cinfo, const StreamPlan& plan, std::vector<bool>* keep)
{
    const std::vector<Scan>& scans = plan.scans;
    quint64 needed[MAX_COMPONENTS] = {};
    for (int ci = 0; ci < cinfo->num_components; ++ci)
        needed[ci] = CoefficientsRead(cinfo->comp_info[ci].DCT_scaled_size);
    keep->assign(scans.size(), false);
    (*keep)[0] = true;
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t s = 0; s < scans.size(); ++s) {
            const Scan& scan = scans[s];
            const quint64 band = Band(scan.ss, scan.se);
            bool wanted = (*keep)[s];
            for (int i = 0; i < scan.count; ++i)
                wanted = wanted || (needed[scan.components[i]] & band) != 0;
            if (!wanted)
                continue;
            for (int i = 0; i < scan.count; ++i) {
                grew = grew || (needed[scan.components[i]] | band) != needed[scan.components[i]];
                needed[scan.components[i]] |= band;
            }
            (*keep)[s] = true;
        }
    }
    // Follow the coefficients' precision scan by scan, as the library does.
    int bits[MAX_COMPONENTS][DCTSIZE2];
    for (auto& component : bits)
        std::fill(std::begin(component), std::end(component), -1);
    for (std::size_t s = 0; s < scans.size(); ++s) {
        const Scan& scan = scans[s];
        for (int i = 0; i < scan.count; ++i) {
            int* coefficients = bits[scan.components[i]];
            // A scan left out must not be where the library first meets a
            // component (it takes the component's quantisation table there),
            // nor use a table the library would refuse.
            if (!(*keep)[s] && (coefficients[0] < 0 || !(plan.usableAtScan[s] & (1u << scan.acTables[i]))))
                return false;
            std::fill(coefficients + scan.ss, coefficients + scan.se + 1, scan.al);
        }
    }
    // The full decode smooths blocks when the first AC coefficients are
    // still imprecise at the end; the decode without some scans must not.
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        for (int k = 1; k <= 9; ++k) {
            if (bits[ci][k] != 0)
                return false;
        }
    }
    // Within the library's limits on scans, or it would refuse the whole.
    qint64 work = 0;
    for (const Scan& scan : scans)
        work += JpegScanBlocks(cinfo, scan.components, scan.count);
    return work <= kMaxJpegScanWork;
}

} // namespace

qint64 JpegScanBlocks(j_decompress_ptr cinfo, const int* components, int count)
{
    if (count == 1) {
        const jpeg_component_info& c = cinfo->comp_info[components[0]];
        return qint64(c.width_in_blocks) * qint64(c.height_in_blocks);
    }
    // Interleaved: every MCU of the picture, with each component's blocks.
    const qint64 mcuWidth = qint64(cinfo->max_h_samp_factor) * DCTSIZE;
    const qint64 mcuHeight = qint64(cinfo->max_v_samp_factor) * DCTSIZE;
    const qint64 mcus = (qint64(cinfo->image_width) + mcuWidth - 1) / mcuWidth *
                        ((qint64(cinfo->image_height) + mcuHeight - 1) / mcuHeight);
    qint64 perMcu = 0;
    for (int i = 0; i < count; ++i)
        perMcu += qint64(cinfo->comp_info[components[i]].h_samp_factor) * cinfo->comp_info[components[i]].v_samp_factor;
    return mcus * perMcu;
}

bool JpegIdctReadsFewCoefficients(j_decompress_ptr cinfo)
{
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        if (CoefficientsRead(cinfo->comp_info[ci].DCT_scaled_size) != ~quint64(0))
            return true;
    }
    return false;
}

int PlanUnneededScans(j_decompress_ptr cinfo, QIODevice& device, qint64 from, JOCTET* buffer, std::size_t bufferSize,
                      JpegStreamRange* ranges, int capacity, const std::atomic<bool>* cancel) noexcept
{
    if (cinfo->num_components > MAX_COMPONENTS || cinfo->comps_in_scan > MAX_COMPS_IN_SCAN)
        return 0;
    try {
        StreamPlan plan;
        Scan first{};
        first.count = cinfo->comps_in_scan;
        for (int i = 0; i < first.count; ++i) {
            first.components[i] = cinfo->cur_comp_info[i]->component_index;
            first.acTables[i] = cinfo->cur_comp_info[i]->ac_tbl_no;
        }
        first.ss = cinfo->Ss;
        first.se = cinfo->Se;
        first.ah = cinfo->Ah;
        first.al = cinfo->Al;
        first.begin = -1;
        if (first.ss < 0 || first.se < first.ss || first.se >= DCTSIZE2)
            return 0;
        plan.scans.push_back(first);
        plan.usableAtScan.push_back(0);
        for (int t = 0; t < NUM_HUFF_TBLS; ++t) {
            const JHUFF_TBL* table = cinfo->ac_huff_tbl_ptrs[t];
            plan.acDefined[t] = table != nullptr;
            plan.acUsable[t] = table && CodeLengthsUsable(table->bits);
        }
        StreamWalk walk(device, from, buffer, bufferSize);
        std::vector<bool> keep;
        if (!walk.Begin() || !WalkStream(cinfo, walk, capacity, cancel, &plan) || !ChooseScans(cinfo, plan, &keep))
            return 0;
        int count = 0;
        for (std::size_t s = 1; s < plan.scans.size(); ++s) {
            if (keep[s])
                continue;
            const Scan& scan = plan.scans[s];
            if (count > 0 && ranges[count - 1].end == scan.begin)
                ranges[count - 1].end = scan.end;
            else
                ranges[count++] = {scan.begin, scan.end};
        }
        return count;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

} // namespace yotsumado
