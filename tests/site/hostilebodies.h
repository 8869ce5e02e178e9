#pragma once

#include <cstdint>
#include <string>

namespace vidfolio::site {

// A gzip stream that inflates to `mebibytes` MiB of zero bytes, kept in
// pieces: `head`, then `block` repeated `blocks` times, then `tail`. Each
// block is one MiB deflated on its own (about a kilobyte), so the stream is
// served without ever being held whole, and made in milliseconds.
struct GzipBomb
{
    std::string head;
    std::string block;
    std::int64_t blocks = 0;
    std::string tail;

    std::int64_t size() const;
    // Copies up to `length` bytes of the stream from `offset` to `out`;
    // returns how many were copied.
    std::size_t copy(std::int64_t offset, char *out, std::size_t length) const;
};

GzipBomb gzipBomb(std::int64_t mebibytes);

// A small JPEG (a real thumbnail) whose frame header claims `width` x
// `height` pixels.
std::string oversizedJpeg(int width, int height);

} // namespace vidfolio::site
