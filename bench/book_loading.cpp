// How long loading the largest book takes (1001 pages of 4096-character lines)
// beside just reading the same file's bytes.
#include "base/RegularFile.h"
#include "book/BookLoader.h"
#include "formats/TextBoxText.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

const QString& largestBook()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath("largest.Lumbrix");
        QByteArray bytes = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n1001\r\n{Directori}\r\nImatges\\\r\n{Planes}\r\n";
        for (int i = 0; i < 1001; ++i) {
            QByteArray line(4096 - 8, 'a' + i % 26);
            bytes += line + QByteArray::number(10000000 + i).right(4) + ".jpg\r\n";
        }
        FILE* out = std::fopen(file.toLocal8Bit().constData(), "wb");
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
        std::fclose(out);
        return file;
    }();
    return path;
}

void ReadBytesOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto bytes = tirvelo::readRegularFile(largestBook(), tirvelo::kTextBoxCapacity);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(ReadBytesOnly)->Unit(benchmark::kMillisecond);

void LoadLargestBook(benchmark::State& state)
{
    for (auto _ : state) {
        tirvelo::Book book;
        const auto text = tirvelo::readTextBoxFile(largestBook());
        const auto failure = tirvelo::applyBookLines(tirvelo::splitTextBoxLines(*text), book);
        if (failure != tirvelo::BookFailure::None || book.PageCount != 1001)
            state.SkipWithError("the book did not load");
        benchmark::DoNotOptimize(book);
    }
}
BENCHMARK(LoadLargestBook)->Unit(benchmark::kMillisecond);

} // namespace
