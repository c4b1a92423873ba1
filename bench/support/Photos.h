#pragma once
// Photos for the benchmarks, written at run time (the same bytes at every
// run), and the bare decode that a photo page cannot go below.
#include <QSize>
#include <QString>

#include <vector>

namespace tirvelo::bench {

// smooth: gradients and soft waves, quality 85 (a 24-megapixel one is 0.6 MB);
// noisy: grain over the same, quality 90 (11.6 MB).
enum class PhotoKind { Smooth, Noisy };

void writePhoto(const QString& path, QSize size, PhotoKind kind);

// libjpeg-turbo decoding the file at scale eighths/8 into 32-bit pixels,
// nothing else: the floor of a photo page. pixels is the caller's, kept from
// one call to the next as a decoder that never frees would.
void decodeBare(const QString& path, int eighths, std::vector<unsigned char>& pixels);

} // namespace tirvelo::bench
