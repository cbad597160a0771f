// In-memory gzip reader. The source is one block of memory, so zlib reads it
// in place and writes straight into the caller's buffer; the gzip framing is
// parsed here, byte by byte, from the same cursor that inflate consumes.
//
// The count at destLen: unchanged when the record or the inflate state cannot
// be set up, 0 for a source that is not gzip or a bad first header, else the
// bytes produced.

#include "gunzip.h"

#include <zlib.h>

#include <cstdlib>

namespace {

constexpr int kMagic1 = 0x1F;
constexpr int kMagic2 = 0x8B;
constexpr int kMethodDeflate = 8;
constexpr int kFlagHeaderCrc = 0x02;
constexpr int kFlagExtra = 0x04;
constexpr int kFlagName = 0x08;
constexpr int kFlagComment = 0x10;
constexpr int kFlagReserved = 0xE0;

struct GzipMemoryStream {
    z_stream stream;     // next_in/avail_in: the cursor shared with inflate
    int32_t status;      // last zlib status or GUNZIP_NOT_GZIP
    int32_t sourceEnded; // a byte was wanted and none was left
    uint32_t crc;        // running CRC-32 of the current member's output
    int32_t notGzip;     // the bytes at a header position are not the magic
    char mode;           // 'r': this record only reads
};

int NextSourceByte(GzipMemoryStream* s) {
    if (s->sourceEnded) {
        return -1;
    }
    if (s->stream.avail_in == 0) {
        s->sourceEnded = 1;
        return -1;
    }
    s->stream.avail_in--;
    return *s->stream.next_in++;
}

void GiveBackByte(GzipMemoryStream* s) {
    s->stream.next_in--;
    s->stream.avail_in++;
}

uint32_t ReadTrailerWord(GzipMemoryStream* s) {
    uint32_t value = 0;
    int byte = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        byte = NextSourceByte(s);
        value |= static_cast<uint32_t>(byte & 0xFF) << shift;
    }
    // Once the source has ended every later byte is -1, so the last one tells.
    if (byte < 0) {
        s->status = Z_DATA_ERROR;
    }
    return value;
}

void SkipBytes(GzipMemoryStream* s, uint32_t count) {
    while (count-- > 0 && NextSourceByte(s) >= 0) {
    }
}

void SkipZeroTerminated(GzipMemoryStream* s) {
    int byte = 0;
    do {
        byte = NextSourceByte(s);
    } while (byte > 0);
}

void ReadGzipHeader(GzipMemoryStream* s) {
    const int first = NextSourceByte(s);
    if (first != kMagic1) {
        // End of source at a member boundary, or something that is not gzip.
        if (first >= 0) {
            GiveBackByte(s);
            s->notGzip = 1;
        }
        s->status = s->stream.avail_in == 0 ? Z_STREAM_END : Z_OK;
        return;
    }
    const int second = NextSourceByte(s);
    if (second != kMagic2) {
        // A lone 0x1F cannot begin a member either: give it back and call the
        // rest not gzip rather than feed it to inflate.
        GiveBackByte(s);
        if (second >= 0) {
            GiveBackByte(s);
        }
        s->notGzip = 1;
        s->status = Z_OK;
        return;
    }

    const int method = NextSourceByte(s);
    const int flags = NextSourceByte(s);
    if (method != kMethodDeflate || flags < 0 || (flags & kFlagReserved) != 0) {
        s->status = Z_DATA_ERROR;
        return;
    }
    SkipBytes(s, 6); // MTIME, XFL, OS: nothing here depends on them
    if (flags & kFlagExtra) {
        const int low = NextSourceByte(s);
        const int high = NextSourceByte(s);
        SkipBytes(s, static_cast<uint32_t>((low & 0xFF) | (high & 0xFF) << 8));
    }
    if (flags & kFlagName) {
        SkipZeroTerminated(s);
    }
    if (flags & kFlagComment) {
        SkipZeroTerminated(s);
    }
    if (flags & kFlagHeaderCrc) {
        SkipBytes(s, 2); // the member's own CRC-32 guards the data
    }
    s->status = s->sourceEnded ? Z_DATA_ERROR : Z_OK;
}

int32_t ReleaseGzipStream(GzipMemoryStream* s) {
    if (s == nullptr) {
        return Z_STREAM_ERROR;
    }
    int32_t result = Z_OK;
    if (s->stream.state != nullptr && s->mode == 'r') {
        result = inflateEnd(&s->stream);
    }
    if (s->status < 0) {
        result = s->status;
    }
    std::free(s);
    return result;
}

// One member has ended inside inflate: check its trailer and look at what
// follows. Leaves status 0 only when a further member begins.
void FinishMember(GzipMemoryStream* s, const uint8_t** memberStart) {
    const auto produced = static_cast<uInt>(s->stream.next_out - *memberStart);
    s->crc = static_cast<uint32_t>(crc32(s->crc, *memberStart, produced));
    *memberStart = s->stream.next_out;

    const uint32_t stored = ReadTrailerWord(s);
    if (s->status < 0 || stored != s->crc) {
        s->status = Z_DATA_ERROR;
        return;
    }
    // ISIZE is not compared: the caller sizes its buffer and judges the count.
    // A short ISIZE is tolerated, because the header read below sets status.
    (void)ReadTrailerWord(s);

    ReadGzipHeader(s);
    if (s->notGzip) {
        // Trailing bytes are an error while they could still reach the output.
        s->status = s->stream.avail_out != 0 ? GUNZIP_NOT_GZIP : Z_OK;
        s->sourceEnded = 1;
        return;
    }
    if (s->status != Z_OK) {
        return;
    }
    const uLong totalIn = s->stream.total_in;
    const uLong totalOut = s->stream.total_out;
    s->status = inflateReset(&s->stream);
    s->stream.total_in = totalIn;
    s->stream.total_out = totalOut;
    s->crc = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));
}

} // namespace

int32_t GunzipMemory(uint8_t* dest, uint32_t* destLen, const uint8_t* source, uint32_t sourceLen) {
    const uint32_t capacity = *destLen;
    auto* s = static_cast<GzipMemoryStream*>(std::calloc(1, sizeof(GzipMemoryStream)));
    if (s == nullptr) {
        return Z_STREAM_ERROR;
    }
    s->crc = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));
    s->mode = 'r';
    s->stream.next_in = const_cast<Bytef*>(source); // inflate never writes it
    s->stream.avail_in = sourceLen;

    s->status =
        inflateInit2_(&s->stream, -MAX_WBITS, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));
    if (s->status != Z_OK) {
        // Nothing to end; the code goes back as it is.
        s->stream.state = nullptr;
        return ReleaseGzipStream(s);
    }

    ReadGzipHeader(s);
    s->stream.next_out = dest;
    s->stream.avail_out = capacity;
    const uint8_t* memberStart = dest;

    if (s->notGzip) {
        *destLen = 0;
        s->status = GUNZIP_NOT_GZIP;
        return ReleaseGzipStream(s);
    }
    if (s->status == Z_DATA_ERROR) {
        *destLen = 0;
        return ReleaseGzipStream(s);
    }

    while (capacity != 0) {
        if (s->stream.avail_in == 0 && !s->sourceEnded) {
            s->sourceEnded = 1;
        }
        s->status = inflate(&s->stream, Z_NO_FLUSH);
        if (s->status == Z_STREAM_END) {
            FinishMember(s, &memberStart);
        }
        if (s->status != Z_OK || s->sourceEnded || s->stream.avail_out == 0) {
            break;
        }
    }

    *destLen = capacity - s->stream.avail_out;
    return ReleaseGzipStream(s);
}
