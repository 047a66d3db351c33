#pragma once
// Which scans of a progressive JPEG a reduced decode can do without.
//
// At the library's smallest DCT scales the inverse DCT of a component reads
// only a few of each block's 64 coefficients: at 1/8 of a block's size only
// the DC term, at 2/8 the terms whose row and column are both 0, 1, 3, 5 or
// 7. A progressive stream sends the coefficients in scans, each one
// component's band of them (or the DC terms of several); a scan none of whose
// coefficients is read, directly or through a later refinement of them, can
// be passed over unread, and the picture stays the same to the byte.

#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

class QIODevice;

namespace yotsumado {

// A stretch of the stream by device position, `begin` included, `end` not.
struct JpegStreamRange {
    qint64 begin;
    qint64 end;
};

// The blocks a scan of the given components (indices into comp_info) makes
// the library visit.
qint64 JpegScanBlocks(j_decompress_ptr cinfo, const int* components, int count);

// Whether the output size computed for `cinfo` leaves some component's
// inverse DCT reading only some of its coefficients.
bool JpegIdctReadsFewCoefficients(j_decompress_ptr cinfo);

// For a progressive Huffman stream whose header and first scan header the
// library has read, its output size computed: walks the rest of the stream
// from the device position `from` (the first scan's data), through `buffer`,
// and writes to `ranges` the scans the output needs none of, each from its
// marker to the end of its data. Returns how many there are: 0 whenever
// every scan is needed, or the stream leaves any doubt that the decode
// without them equals the decode with them (the stream cut short or not
// ending in its end marker, a scan or table the library would refuse, a full
// decode that would smooth blocks, more than `capacity` scans, more scans
// or block visits than a decode allows, or `cancel` set). Leaves the device
// anywhere.
int PlanUnneededScans(j_decompress_ptr cinfo, QIODevice& device, qint64 from, JOCTET* buffer, std::size_t bufferSize,
                      JpegStreamRange* ranges, int capacity, const std::atomic<bool>* cancel) noexcept;

} // namespace yotsumado
