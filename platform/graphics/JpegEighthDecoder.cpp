#include "platform/graphics/JpegEighthDecoder.h"

#include "platform/WorkQueue.h"
#include "platform/graphics/JpegEntropyReader.h"
#include "platform/graphics/JpegHuffmanTable.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Where each term of a block's zigzag order lies in natural order; a run past
// the last term lands on the last, as in the library.
constexpr std::array<std::uint8_t, 80> naturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33,
    40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36,
    29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54,
    47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// The library's fixed-point constants of its 2 x 2 inverse transform.
constexpr std::int64_t fix0_720959822 = 5906;
constexpr std::int64_t fix0_850430095 = 6967;
constexpr std::int64_t fix1_272758580 = 10426;
constexpr std::int64_t fix3_624509785 = 29692;

// A sample as the library's reduced inverse transforms limit it: the low ten
// bits of x, centred on 128, which also folds back what overflowed.
std::uint8_t transformLimit(std::int64_t x) {
    const int t = int(x & 1023);
    if (t < 128) {
        return std::uint8_t(t + 128);
    }
    if (t < 512) {
        return 255;
    }
    if (t < 896) {
        return 0;
    }
    return std::uint8_t(t - 896);
}

// Bounds within which the library's vector transform computes what its
// plain one does: terms it keeps in 16 bits, sums it keeps in 32, with room
// to spare, and results its limiting of 16-bit words saturates as the plain
// one's table does.
bool inVectorTerms(std::int64_t value) {
    return value >= -16384 && value < 16384;
}
bool inVectorSums(std::int64_t value) {
    return value >= -(std::int64_t(1) << 30) && value < (std::int64_t(1) << 30);
}
bool inVectorResults(std::int64_t value) {
    return value >= -512 && value < 512;
}

std::uint8_t sampleLimit(int x) {
    return std::uint8_t(std::clamp(x, 0, 255));
}

int extend(std::uint32_t value, int size) {
    return value < (std::uint32_t(1) << (size - 1)) ? int(value) - (1 << size) + 1 : int(value);
}

// A term as the library dequantizes it: both as 16-bit numbers.
int dequantized(int term, std::uint16_t quant) {
    return int(std::int16_t(term)) * int(std::int16_t(quant));
}

// What a chroma block of a 4:2:0 picture gives its 2 x 2 samples, but for its
// first term, whose true value is known only once the blocks before it are:
// for each output row, the part of the first column's value the other terms
// make, and the odd part of the row.
struct ChromaTerms {
    std::int32_t columnRest[2];
    std::int32_t rowOdd[2];
};

// What a block's AC terms are read into: nothing, or the block's terms in
// natural order.
struct PastTerms {
    static constexpr bool wanted = false;
    void operator()(int, std::uint32_t, int) const {}
};
struct KeptTerms {
    static constexpr bool wanted = true;
    std::array<std::int16_t, 64>& block;
    void operator()(int k, std::uint32_t value, int size) const {
        block[naturalOrder[std::size_t(k)]] = std::int16_t(extend(value, size));
    }
};

// One block of the minimum coded unit: its component and tables.
struct BlockKind {
    int component = 0;
    bool chromaTerms = false;
    const JpegHuffmanTable* dc = nullptr;
    const JpegHuffmanTable* ac = nullptr;
    const std::uint16_t* quant = nullptr;
};

// The blocks a part of the data decoded, from its start on, with where the
// first of them began, to be met by the part before it. Each on cache lines
// of its own: its reader changes at every code, while other threads decode
// the parts beside it.
struct alignas(128) Part {
    // The part's first byte, and the bytes it decodes on its own.
    const std::uint8_t* start = nullptr;
    const std::uint8_t* end = nullptr;
    std::vector<std::int16_t> dcDifferences;
    std::vector<ChromaTerms> chroma;
    struct BlockStart {
        std::uint64_t position;
        std::uint32_t chromaCount;
        std::uint8_t kind;
    };
    std::vector<BlockStart> starts;
    // Positions of the part's reader are this many bits after the part's
    // first byte: a part that meets an invalid code before its codes line up
    // starts again a little further on.
    std::uint64_t offset = 0;
    int restarts = 0;
    // Where it stopped: an invalid code, numbers no photo holds, or the
    // end of the data.
    bool invalid = false;
    bool ended = false;
    // The code of the first marker among its bytes, 0 where there is none.
    std::uint8_t firstMarker = 0;
    // The reader and the kind of the next block, for the part's extension
    // beyond its end.
    JpegEntropyReader reader{nullptr, nullptr};
    int nextKind = 0;
};

// The tables the library turns YCbCr into RGB with.
struct ColourTables {
    std::array<int, 256> crRed{};
    std::array<int, 256> cbBlue{};
    std::array<std::int64_t, 256> crGreen{};
    std::array<std::int64_t, 256> cbGreen{};
    ColourTables() {
        for (int i = 0; i < 256; ++i) {
            const std::int64_t x = i - 128;
            crRed[std::size_t(i)] = int((91881 * x + 32768) >> 16);
            cbBlue[std::size_t(i)] = int((116130 * x + 32768) >> 16);
            crGreen[std::size_t(i)] = -46802 * x;
            cbGreen[std::size_t(i)] = -22554 * x + 32768;
        }
    }
    QRgb rgb(int y, int cb, int cr) const {
        const int red = y + crRed[std::size_t(cr)];
        const int green = y + int((cbGreen[std::size_t(cb)] + crGreen[std::size_t(cr)]) >> 16);
        const int blue = y + cbBlue[std::size_t(cb)];
        return qRgb(sampleLimit(red), sampleLimit(green), sampleLimit(blue));
    }
};

const ColourTables& colourTables() {
    static const ColourTables tables;
    return tables;
}

// The first block starts a part keeps for the part before it to meet: the
// codes line up within a few blocks.
constexpr std::size_t keptStarts = 4096;

class ScanDecoder {
public:
    bool prepare(const JpegScan& scan);

    // Decodes at most `most` blocks from where `part` stands, until the
    // reader reaches the byte it watches or else the end of the data,
    // keeping the first block starts when asked.
    void decodeBlocks(Part& part, bool untilWatched, bool keepStarts,
                      std::size_t most = SIZE_MAX) const;
    // One block; false for an invalid code or terms beyond any photo's.
    bool decodeBlock(JpegEntropyReader& reader, const BlockKind& kind, int& dcDifference,
                     ChromaTerms* terms) const;
    // The true blocks: each part's from where the part before it met it,
    // to where it met the next.
    struct Link {
        const Part* part;
        std::size_t block;
        std::size_t chroma;
        // Set by placeLinks: the link's blocks in the picture's order, its
        // last block, and the first terms where it begins.
        std::size_t first = 0;
        std::size_t end = 0;
        std::array<std::uint32_t, 3> predictors{};
    };
    // False when the links hold fewer blocks than the picture has.
    bool placeLinks(std::vector<Link>& chain) const;
    // The pixels of the units that begin in chain[index]; the links must be
    // placed. `unusual` turns true for a block whose numbers the library
    // might compute otherwise.
    void writeUnits(const std::vector<Link>& chain, std::size_t index, uchar* pixels,
                    qsizetype stride, QSize size, std::atomic<bool>& unusual) const;

    std::size_t blocksInMcu() const { return m_kinds.size(); }
    std::size_t chromaBlocksInMcu() const {
        return std::size_t(std::count_if(m_kinds.begin(), m_kinds.end(),
                                         [](const BlockKind& kind) { return kind.chromaTerms; }));
    }
    std::size_t blockCount() const { return m_mcusWide * m_mcusHigh * m_kinds.size(); }
    // What the parts hold of the blocks until the pixels are written.
    std::size_t heldBytes() const {
        return blockCount() * sizeof(std::int16_t) +
               blockCount() / blocksInMcu() * chromaBlocksInMcu() * sizeof(ChromaTerms);
    }

private:
    JpegScan m_scan;
    std::array<JpegHuffmanTable, 4> m_dc;
    std::array<JpegHuffmanTable, 4> m_ac;
    std::vector<BlockKind> m_kinds;
    bool m_subsampled = false;
    std::size_t m_mcusWide = 0;
    std::size_t m_mcusHigh = 0;
};

bool ScanDecoder::prepare(const JpegScan& scan) {
    m_scan = scan;
    const auto& c = scan.components;
    const bool full = std::all_of(c.begin(), c.end(), [](const auto& component) {
        return component.horizontalSampling == 1 && component.verticalSampling == 1;
    });
    m_subsampled = c[0].horizontalSampling == 2 && c[0].verticalSampling == 2 &&
                   c[1].horizontalSampling == 1 && c[1].verticalSampling == 1 &&
                   c[2].horizontalSampling == 1 && c[2].verticalSampling == 1;
    if ((!full && !m_subsampled) || scan.size.isEmpty() || !scan.data) {
        return false;
    }
    const int mcuSide = m_subsampled ? 16 : 8;
    m_mcusWide = std::size_t((scan.size.width() + mcuSide - 1) / mcuSide);
    m_mcusHigh = std::size_t((scan.size.height() + mcuSide - 1) / mcuSide);
    for (const int index : scan.scanOrder) {
        if (index < 0 || index > 2) {
            return false;
        }
        const JpegScan::Component& component = c[std::size_t(index)];
        for (const int table : {component.dcTable, component.acTable, component.quantTable}) {
            if (table < 0 || table > 3) {
                return false;
            }
        }
        const auto& dcSpec = scan.dcTables[std::size_t(component.dcTable)];
        const auto& acSpec = scan.acTables[std::size_t(component.acTable)];
        if (!dcSpec.present || !acSpec.present ||
            !m_dc[std::size_t(component.dcTable)].build(dcSpec, true) ||
            !m_ac[std::size_t(component.acTable)].build(acSpec, false)) {
            return false;
        }
        BlockKind kind;
        kind.component = index;
        kind.chromaTerms = m_subsampled && index != 0;
        kind.dc = &m_dc[std::size_t(component.dcTable)];
        kind.ac = &m_ac[std::size_t(component.acTable)];
        kind.quant = m_scan.quantTables[std::size_t(component.quantTable)].data();
        const int blocks = component.horizontalSampling * component.verticalSampling;
        for (int i = 0; i < blocks; ++i) {
            m_kinds.push_back(kind);
        }
    }
    return true;
}

bool ScanDecoder::decodeBlock(JpegEntropyReader& reader, const BlockKind& kind, int& dcDifference,
                              ChromaTerms* terms) const {
    int length = 0;
    const int size = kind.dc->decode(reader.peek16(), length);
    if (size < 0) {
        return false;
    }
    reader.skip(length);
    dcDifference = size ? extend(reader.take(size), size) : 0;
    if (!terms) {
        // The terms are read past: an eighth needs the first term alone.
        return reader.readTerms(*kind.ac, PastTerms{});
    }
    std::array<std::int16_t, 64> block{};
    if (!reader.readTerms(*kind.ac, KeptTerms{block})) {
        return false;
    }
    // The library's 2 x 2 transform takes rows and columns 0, 1, 3, 5 and
    // 7; its first pass leaves the first column's value as four times the
    // first term's plus what the column's odd terms add. Its vector version,
    // which the library runs where the processor has one, keeps products and
    // sums in 16 and 32 bits: a block whose numbers would not fit, which no
    // photo holds, is left to it.
    const std::uint16_t* q = kind.quant;
    bool fits = true;
    const auto at = [&](int row, int column) {
        const auto value = std::int64_t(
            dequantized(block[std::size_t(row * 8 + column)], q[std::size_t(row * 8 + column)]));
        fits = fits && inVectorTerms(value);
        return value;
    };
    std::array<std::array<std::int64_t, 8>, 2> work{};
    std::int64_t firstColumnOdd = 0;
    for (const int column : {0, 1, 3, 5, 7}) {
        const std::int64_t odd = at(7, column) * -fix0_720959822 + at(5, column) * fix0_850430095 +
                                 at(3, column) * -fix1_272758580 + at(1, column) * fix3_624509785;
        if (column == 0) {
            firstColumnOdd = odd;
            continue;
        }
        const std::int64_t even = at(0, column) * 32768;
        fits = fits && inVectorSums(even + odd) && inVectorSums(even - odd);
        work[0][std::size_t(column)] = std::int32_t((even + odd + 4096) >> 13);
        work[1][std::size_t(column)] = std::int32_t((even - odd + 4096) >> 13);
        fits = fits && inVectorTerms(work[0][std::size_t(column)]) &&
               inVectorTerms(work[1][std::size_t(column)]);
    }
    const std::int64_t rests[2] = {(firstColumnOdd + 4096) >> 13, (-firstColumnOdd + 4096) >> 13};
    fits = fits && inVectorSums(firstColumnOdd);
    for (int row = 0; row < 2; ++row) {
        const auto& w = work[std::size_t(row)];
        const std::int64_t odd = w[7] * -fix0_720959822 + w[5] * fix0_850430095 +
                                 w[3] * -fix1_272758580 + w[1] * fix3_624509785;
        fits = fits && inVectorSums(odd) && inVectorSums(rests[row]);
        terms->columnRest[row] = std::int32_t(rests[row]);
        terms->rowOdd[row] = std::int32_t(odd);
    }
    return fits;
}

void ScanDecoder::decodeBlocks(Part& part, bool untilWatched, bool keepStarts,
                               std::size_t most) const {
    JpegEntropyReader& reader = part.reader;
    for (std::size_t n = 0; n < most && !part.invalid && !part.ended; ++n) {
        const std::uint64_t position = reader.position();
        if (untilWatched && position >= reader.watchedPosition()) {
            break;
        }
        const BlockKind& kind = m_kinds[std::size_t(part.nextKind)];
        if (keepStarts && part.starts.size() < keptStarts) {
            part.starts.push_back({position + part.offset, std::uint32_t(part.chroma.size()),
                                   std::uint8_t(part.nextKind)});
        }
        int difference = 0;
        ChromaTerms terms{};
        if (!decodeBlock(reader, kind, difference, kind.chromaTerms ? &terms : nullptr)) {
            part.invalid = true;
            break;
        }
        // A block that took bits beyond the data is none of the picture's.
        if (reader.tookFill()) {
            part.ended = true;
            break;
        }
        part.dcDifferences.push_back(std::int16_t(difference));
        if (kind.chromaTerms) {
            part.chroma.push_back(terms);
        }
        part.nextKind = (part.nextKind + 1) % int(m_kinds.size());
    }
}

bool ScanDecoder::placeLinks(std::vector<Link>& chain) const {
    const std::size_t perMcu = m_kinds.size();
    const std::size_t total = blockCount();
    std::size_t first = 0;
    std::array<std::uint32_t, 3> predictors{};
    for (std::size_t i = 0; i < chain.size(); ++i) {
        Link& link = chain[i];
        link.first = first;
        link.predictors = predictors;
        const auto& differences = link.part->dcDifferences;
        // A link ends where it met the next; the last, with the picture's
        // last block.
        link.end = i + 1 < chain.size() ? differences.size()
                                        : std::min(differences.size(), link.block + total - first);
        if (link.end < link.block) {
            return false;
        }
        for (std::size_t b = link.block; b < link.end; ++b) {
            predictors[std::size_t(m_kinds[(first + b - link.block) % perMcu].component)] +=
                std::uint32_t(std::int32_t(differences[b]));
        }
        first += link.end - link.block;
    }
    return first == total;
}

void ScanDecoder::writeUnits(const std::vector<Link>& chain, std::size_t index, uchar* pixels,
                             qsizetype stride, QSize size, std::atomic<bool>& unusual) const {
    const ColourTables& colour = colourTables();
    const std::size_t perMcu = m_kinds.size();
    const std::size_t total = blockCount();
    const int side = m_subsampled ? 2 : 1;
    const int width = size.width();
    const int height = size.height();
    if (chain[index].block >= chain[index].end) {
        return;
    }
    // The block under the cursor: its link, its place there, and the
    // chroma terms it takes.
    std::size_t link = index;
    std::size_t block = chain[link].block;
    std::size_t chroma = chain[link].chroma;
    std::size_t at = chain[link].first;
    // The running first terms, as the library keeps them: 32 bits that wrap,
    // taken as 16.
    std::array<std::uint32_t, 3> predictors = chain[link].predictors;
    const auto step = [&] {
        ++block;
        ++at;
        while (link + 1 < chain.size() && block >= chain[link].end) {
            ++link;
            block = chain[link].block;
            chroma = chain[link].chroma;
        }
    };
    // The units this link begins; a unit the link before began is that
    // link's.
    while (at % perMcu != 0 && at < total) {
        const BlockKind& kind = m_kinds[at % perMcu];
        predictors[std::size_t(kind.component)] +=
            std::uint32_t(std::int32_t(chain[link].part->dcDifferences[block]));
        chroma += kind.chromaTerms ? 1 : 0;
        step();
    }
    const std::size_t ownEnd = index + 1 < chain.size() ? chain[index + 1].first : total;
    // The samples of one unit: [component][row][column].
    std::uint8_t samples[3][2][2] = {};
    while (at < ownEnd && at < total) {
        const std::size_t mcu = at / perMcu;
        std::array<int, 3> seen{};
        for (std::size_t inMcu = 0; inMcu < perMcu; ++inMcu) {
            const Part& part = *chain[link].part;
            const BlockKind& kind = m_kinds[inMcu];
            auto& predictor = predictors[std::size_t(kind.component)];
            predictor += std::uint32_t(std::int32_t(part.dcDifferences[block]));
            const int z = dequantized(std::int16_t(predictor), kind.quant[0]);
            auto& own = samples[kind.component];
            if (kind.chromaTerms) {
                const ChromaTerms& terms = part.chroma[chroma++];
                for (int row = 0; row < 2; ++row) {
                    const auto w = std::int32_t(std::int64_t(4) * z + terms.columnRest[row]);
                    const std::int64_t even = std::int64_t(w) * 32768;
                    const std::int64_t left = (even + terms.rowOdd[row] + (1 << 19)) >> 20;
                    const std::int64_t right = (even - terms.rowOdd[row] + (1 << 19)) >> 20;
                    if (!inVectorTerms(z) || !inVectorTerms(w) || !inVectorSums(even) ||
                        !inVectorResults(left) || !inVectorResults(right)) {
                        unusual = true;
                    }
                    own[row][0] = transformLimit(left);
                    own[row][1] = transformLimit(right);
                }
            } else {
                // One sample per block; a component of 2 x 2 blocks fills
                // them row by row.
                const int i = seen[std::size_t(kind.component)]++;
                own[i / 2][i % 2] = transformLimit((std::int64_t(z) + 4) >> 3);
            }
            step();
        }
        const int x0 = int(mcu % m_mcusWide) * side;
        const int y0 = int(mcu / m_mcusWide) * side;
        for (int row = 0; row < side && y0 + row < height; ++row) {
            auto* line = reinterpret_cast<QRgb*>(pixels + (y0 + row) * stride);
            const int cRow = m_subsampled ? row : 0;
            for (int column = 0; column < side && x0 + column < width; ++column) {
                const int cColumn = m_subsampled ? column : 0;
                line[x0 + column] = colour.rgb(samples[0][row][column], samples[1][cRow][cColumn],
                                               samples[2][cRow][cColumn]);
            }
        }
    }
}

// The number of data bytes from `from` up to `to`, both at the start of a
// byte of data (neither follows 0xFF).
std::uint64_t dataBytesBetween(const std::uint8_t* from, const std::uint8_t* to) {
    std::uint64_t count = 0;
    for (const std::uint8_t* p = from; p < to; ++count) {
        if (*p != 0xFF) {
            ++p;
            continue;
        }
        while (p < to && *p == 0xFF) {
            ++p;
        }
        ++p;
    }
    return count;
}

// The first byte at or after `at` that follows no 0xFF.
const std::uint8_t* byteStart(const std::uint8_t* begin, const std::uint8_t* at,
                              const std::uint8_t* end) {
    while (at > begin && at < end && at[-1] == 0xFF) {
        ++at;
    }
    return at;
}

struct PartsQueueDescription {
    static WorkQueue::Options options() {
        return {.name = QStringLiteral("eighth decode parts"),
                .maxThreadCount = 7,
                .dropsQueuedWorkAtExit = true};
    }
};
using PartsQueue = SharedWorkQueue<PartsQueueDescription>;

// Runs job(0) to job(count - 1) on the queue's threads and the caller's.
// Jobs no worker has begun are taken back rather than waited for: the
// caller never waits on a queue that may be busy with other work.
void runAll(std::size_t count, const std::function<void(std::size_t)>& job) {
    struct Shared {
        std::mutex lock;
        std::condition_variable finished;
        // 0 waiting, 1 taken, 2 done.
        std::vector<int> state;
    };
    auto shared = std::make_shared<Shared>();
    shared->state.assign(count, 0);
    const auto take = [shared, &job](std::size_t i) {
        {
            const std::lock_guard guard(shared->lock);
            if (shared->state[i] != 0) {
                return;
            }
            shared->state[i] = 1;
        }
        job(i);
        {
            const std::lock_guard guard(shared->lock);
            shared->state[i] = 2;
        }
        shared->finished.notify_all();
    };
    for (std::size_t i = 1; i < count; ++i) {
        // A worker that comes after the caller took its job finds it taken
        // and leaves: the job itself is never touched once the caller is
        // back.
        PartsQueue::run([shared, take, i] {
            {
                const std::lock_guard guard(shared->lock);
                if (shared->state[i] != 0) {
                    return;
                }
            }
            take(i);
        });
    }
    for (std::size_t i = 0; i < count; ++i) {
        take(i);
    }
    std::unique_lock guard(shared->lock);
    shared->finished.wait(guard, [&] {
        return std::all_of(shared->state.begin(), shared->state.end(),
                           [](int state) { return state == 2; });
    });
}

// Beyond this (a picture of some hundreds of megapixels), the library's
// decode, which holds a few rows at a time, is the one that fits.
constexpr std::size_t mostHeldBytes = std::size_t(64) << 20;
// Parts of less than this decode too briefly for their threads to pay.
constexpr std::size_t leastPartBytes = 256 * 1024;
// A part that meets invalid codes this often before its own end is left to
// the part before it.
constexpr int mostRestarts = 64;
constexpr std::size_t restartStep = 1024;

// The code of the first marker in [from, to), 0 for none, or 0xFF for
// fill bytes before a stuffed zero (0xFF 0xFF 0x00), which no encoder
// writes and the library reads otherwise on its fast path than on its
// slow one. `from` follows no 0xFF byte, nor does `to`.
std::uint8_t firstMarker(const std::uint8_t* from, const std::uint8_t* to) {
    while (from < to) {
        const auto* ff =
            static_cast<const std::uint8_t*>(std::memchr(from, 0xFF, std::size_t(to - from)));
        if (!ff) {
            return 0;
        }
        from = ff + 1;
        if (from < to && *from == 0xFF) {
            return 0xFF;
        }
        if (from < to && *from != 0) {
            return *from;
        }
        ++from;
    }
    return 0;
}

// Decodes a part on its own, as far as its end: the first from the true
// start, the others from where a block might begin, each starting again a
// little further on where that meets an invalid code.
void decodeOwnBytes(const ScanDecoder& decoder, const std::uint8_t* begin, const std::uint8_t* end,
                    std::size_t bytes, Part& part, bool first) {
    const bool last = part.end == end;
    part.firstMarker = firstMarker(part.start, part.end);
    // Room for a little more than its share of the blocks: a part where the
    // picture is plain holds more of them than one where it is busy.
    const double share = double(part.end - part.start) / double(std::max<std::size_t>(1, bytes));
    const auto blocks = std::size_t(double(decoder.blockCount()) * share * 1.25) + 64;
    part.dcDifferences.reserve(blocks);
    part.chroma.reserve(blocks * decoder.chromaBlocksInMcu() / decoder.blocksInMcu() + 16);
    decoder.decodeBlocks(part, !last, !first);
    while (!first && part.invalid && part.restarts < mostRestarts) {
        ++part.restarts;
        const std::uint8_t* again =
            byteStart(begin, part.start + std::size_t(part.restarts) * restartStep, end);
        if (again >= part.end) {
            break;
        }
        part.offset = 8 * dataBytesBetween(part.start, again);
        part.dcDifferences.clear();
        part.chroma.clear();
        part.starts.clear();
        part.invalid = false;
        part.nextKind = 0;
        part.reader = JpegEntropyReader(again, end);
        if (!last) {
            part.reader.watch(part.end);
        }
        decoder.decodeBlocks(part, !last, true);
    }
}

// Runs on from the true blocks at the end of each part into the next,
// until they meet a block the next part began at the same place, from
// which on the two agree. The links to the true blocks, in order.
std::vector<ScanDecoder::Link> joinParts(const ScanDecoder& decoder, std::vector<Part>& all) {
    std::vector<ScanDecoder::Link> chain{{&all[0], 0, 0}};
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        Part& part = all[i];
        const Part& next = all[i + 1];
        const std::uint64_t base = part.reader.watchedPosition();
        std::size_t candidate = 0;
        bool met = false;
        while (!part.invalid && !part.ended && base != UINT64_MAX) {
            const std::uint64_t at = part.reader.position() - base;
            while (candidate < next.starts.size() && next.starts[candidate].position < at) {
                ++candidate;
            }
            if (candidate < next.starts.size() && next.starts[candidate].position == at &&
                next.starts[candidate].kind == part.nextKind) {
                met = true;
                break;
            }
            if (candidate == next.starts.size()) {
                break;
            }
            decoder.decodeBlocks(part, false, false, 1);
        }
        if (!met) {
            // The next part never lined up: this one decodes the rest.
            decoder.decodeBlocks(part, false, false);
            break;
        }
        // From here on the next part's blocks are true ones: its invalid
        // code or its end are the data's.
        chain.push_back({&next, candidate, next.starts[candidate].chromaCount});
    }
    return chain;
}

} // namespace

bool JpegEighthDecoder::decode(const JpegScan& scan, QImage& image) {
    const auto byData = int(scan.bytes / leastPartBytes);
    return decode(scan, image, std::clamp(byData, 1, std::min(8, QThread::idealThreadCount())));
}

bool JpegEighthDecoder::decode(const JpegScan& scan, QImage& image, int parts) {
    // Its tables take some tens of kilobytes: not on a worker's stack.
    const auto made = std::make_unique<ScanDecoder>();
    const ScanDecoder& decoder = *made;
    if (!made->prepare(scan) || image.format() != QImage::Format_RGB32 ||
        image.width() != (scan.size.width() + 7) / 8 ||
        image.height() != (scan.size.height() + 7) / 8 || decoder.heldBytes() > mostHeldBytes) {
        return false;
    }
    const std::uint8_t* begin = scan.data;
    const std::uint8_t* end = scan.data + scan.bytes;
    const std::size_t count = std::size_t(std::max(1, parts));
    try {
        std::vector<Part> all(count);
        for (std::size_t i = 0; i < count; ++i) {
            Part& part = all[i];
            part.start = byteStart(begin, begin + scan.bytes * i / count, end);
            part.reader = JpegEntropyReader(part.start, end);
        }
        for (std::size_t i = 0; i + 1 < count; ++i) {
            all[i].end = all[i + 1].start;
            all[i].reader.watch(all[i].end);
        }
        all[count - 1].end = end;
        runAll(count, [&](std::size_t i) {
            try {
                decodeOwnBytes(decoder, begin, end, scan.bytes, all[i], i == 0);
            } catch (const std::bad_alloc&) {
                // Without room for its blocks the part gives up, and the
                // library decodes the picture.
                all[i].invalid = true;
                all[i].restarts = mostRestarts;
            }
        });
        // The library reads on after the scan to the end of the file, and
        // refuses one whose next marker is not its end (a second scan, a
        // second picture): such files, and any with fill bytes inside the
        // data, are left to it.
        for (const Part& part : all) {
            if (part.firstMarker != 0) {
                if (part.firstMarker != 0xD9) {
                    return false;
                }
                break;
            }
        }
        std::vector<ScanDecoder::Link> chain = joinParts(decoder, all);
        if (!decoder.placeLinks(chain)) {
            return false;
        }
        uchar* const pixels = image.bits();
        const qsizetype stride = image.bytesPerLine();
        const QSize size = image.size();
        std::atomic<bool> unusual = false;
        runAll(chain.size(),
               [&](std::size_t i) { decoder.writeUnits(chain, i, pixels, stride, size, unusual); });
        return !unusual;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace platform
