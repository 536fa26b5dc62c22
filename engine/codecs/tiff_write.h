// Writing TIFF pages: each page type in its stored form, seven compressions (the strip-wise ones
// encoded in parallel, a round of strips at a time), from a whole page or from rows handed over
// a round at a time, so that a page need never be held whole.
#pragma once

#include "tiff_stream.h"

#include "../pix_page.h"
#include "../save_options.h"

#include <QImage>
#include <functional>
#include <vector>

namespace pix {

class AtomicFile;

// The rows of a page being written, asked for from the top a round of strips at a time.
struct RowFeed {
    int width = 0, height = 0;
    int type = 5;            // the page type, which picks the stored form
    int stripsPerRound = 32; // strips encoded per round: the rows asked for at once
    bool stored = false;     // the rows are already in the type's stored form, copied as they are
    // Makes rows [y0, y0 + n) ready, each `width` pixels in the type's format (RGB32 for 24-bit
    // RGB, ARGB32 for RGBA ...), and gives their addresses. Called on the writing thread; the
    // rows stay valid until the next call.
    std::function<const std::vector<const uchar*>&(int y0, int n)> rows;
};

// Writes one page as a new directory of `s`; `number` of `count` pages (count 0: appended).
void writeTiffPage(TiffStream& s, const PixPage& page, const SaveOptions& options, int number,
                   int count);

// Whether writeTiffRows can write a page of this type with these options: a grey or RGB type,
// with or without alpha, in a compression encoded strip by strip.
bool tiffWritesRows(int type, const SaveOptions& options);
// The format of the rows a feed of that type gives.
QImage::Format tiffRowFormat(int type);
// Writes a one-page file of the feed's rows into `out`, byte for byte what writing the whole page
// gives. Throws PixError.
void writeTiffRows(AtomicFile& out, const RowFeed& feed, const SaveOptions& options);

} // namespace pix
