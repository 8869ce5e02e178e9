#include "hostilebodies.h"

#include "sitepages.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vidfolio::site {
namespace {

constexpr uLong kMebibyte = 1024 * 1024;

void appendLittleEndian(std::string &out, uLong value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Runs deflate over `input` with `flush`, appending all it produces.
void deflateInto(z_stream &stream, const std::vector<Bytef> &input, int flush, std::string &out)
{
    stream.next_in = const_cast<Bytef *>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    char buffer[16384];
    do {
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        const int status = deflate(&stream, flush);
        if (status == Z_STREAM_ERROR)
            throw std::runtime_error("deflate failed");
        out.append(buffer, sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0 || stream.avail_in != 0);
}

} // namespace

std::int64_t GzipBomb::size() const
{
    return static_cast<std::int64_t>(head.size()) +
           blocks * static_cast<std::int64_t>(block.size()) +
           static_cast<std::int64_t>(tail.size());
}

std::size_t GzipBomb::copy(std::int64_t offset, char *out, std::size_t length) const
{
    const auto headSize = static_cast<std::int64_t>(head.size());
    const auto blockSize = static_cast<std::int64_t>(block.size());
    const std::int64_t tailStart = headSize + blocks * blockSize;
    std::size_t copied = 0;
    while (copied < length) {
        const std::int64_t at = offset + static_cast<std::int64_t>(copied);
        const std::string *piece = &tail;
        std::int64_t inPiece = at - tailStart;
        if (at < headSize) {
            piece = &head;
            inPiece = at;
        } else if (at < tailStart) {
            piece = &block;
            inPiece = (at - headSize) % blockSize;
        }
        if (inPiece >= static_cast<std::int64_t>(piece->size()))
            break;
        const std::size_t n =
            std::min(length - copied, piece->size() - static_cast<std::size_t>(inPiece));
        std::memcpy(out + copied, piece->data() + inPiece, n);
        copied += n;
    }
    return copied;
}

GzipBomb gzipBomb(std::int64_t mebibytes)
{
    GzipBomb bomb;
    bomb.blocks = std::max<std::int64_t>(1, mebibytes);
    // Member header: magic, deflate, no flags, no time, best compression, Unix.
    bomb.head = std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03", 10);

    // A full flush ends the block on a byte boundary and forgets the window,
    // so the same bytes may follow themselves any number of times.
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    const std::vector<Bytef> zeros(kMebibyte, 0);
    deflateInto(stream, zeros, Z_FULL_FLUSH, bomb.block);
    deflateInto(stream, {}, Z_FINISH, bomb.tail);
    deflateEnd(&stream);

    // Trailer: CRC-32 and length (modulo 2^32) of everything inflated.
    const uLong blockCrc = crc32(0, zeros.data(), kMebibyte);
    uLong crc = blockCrc;
    for (std::int64_t i = 1; i < bomb.blocks; ++i)
        crc = crc32_combine(crc, blockCrc, static_cast<z_off_t>(kMebibyte));
    appendLittleEndian(bomb.tail, crc);
    appendLittleEndian(bomb.tail, static_cast<uLong>((bomb.blocks * kMebibyte) & 0xFFFFFFFFu));
    return bomb;
}

std::string oversizedJpeg(int width, int height)
{
    std::string jpeg = thumbnailJpeg("giant", 1);
    // The baseline frame header: FF C0, length (2), precision (1), height
    // (2), width (2).
    const auto frame = jpeg.find("\xff\xc0");
    if (frame == std::string::npos || frame + 9 > jpeg.size())
        throw std::runtime_error("no baseline frame header in the thumbnail");
    jpeg[frame + 5] = static_cast<char>((height >> 8) & 0xFF);
    jpeg[frame + 6] = static_cast<char>(height & 0xFF);
    jpeg[frame + 7] = static_cast<char>((width >> 8) & 0xFF);
    jpeg[frame + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

} // namespace vidfolio::site
