#include "Photos.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace tirvelo::bench {

void writePhoto(const QString& path, QSize size, PhotoKind kind)
{
    const int width = size.width();
    const int height = size.height();
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        std::abort();
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kind == PhotoKind::Smooth ? 85 : 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(width * 3);
    quint32 state = 2024;
    // Soft waves along both axes, like sky and out-of-focus background.
    std::vector<int> waveX(width), waveY(height);
    for (int x = 0; x < width; ++x)
        waveX[size_t(x)] = int(40 * std::sin(x / 310.0));
    for (int y = 0; y < height; ++y)
        waveY[size_t(y)] = int(40 * std::cos(y / 170.0));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            int r = 40 + x * 150 / width + waveY[size_t(y)];
            int g = 60 + y * 140 / height + waveX[size_t(x)];
            int b = 200 - (x + y) * 120 / (width + height) + (waveX[size_t(x)] + waveY[size_t(y)]) / 2;
            if (kind == PhotoKind::Noisy) {
                state = state * 1664525u + 1013904223u;
                const int grain = int(state >> 26) - 32; // ±32, the same on all channels
                r += grain + int((state >> 8) & 15) - 8;
                g += grain + int((state >> 12) & 15) - 8;
                b += grain + int((state >> 16) & 15) - 8;
            }
            row[size_t(3 * x)] = JSAMPLE(std::clamp(r, 0, 255));
            row[size_t(3 * x + 1)] = JSAMPLE(std::clamp(g, 0, 255));
            row[size_t(3 * x + 2)] = JSAMPLE(std::clamp(b, 0, 255));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

void decodeBare(const QString& path, int eighths, std::vector<unsigned char>& pixels)
{
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        std::abort();
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = unsigned(eighths);
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * 4;
    pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {pixels.data() + stride * cinfo.output_scanline};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
}

} // namespace tirvelo::bench
