// How long the rich-text box takes to read a page: a real Word file, and a large generated one.
#include "formats/RtfReader.h"

#include <QFile>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

QByteArray wordFile()
{
    QFile file(QStringLiteral(TIRVELO_SOURCE_DIR "/tests/data/rtf/word.rtf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// About a mebibyte of formatted paragraphs with escapes and \u characters.
QByteArray largeDocument()
{
    QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}\\uc1 ");
    while (rtf.size() < 1024 * 1024)
        rtf += "\\pard\\qj El gat dorm a la {\\b pla\\'e7a} i {\\i l\\u183\\'b7l} {\\cf1\\fs28 vermell}"
               " amb una frase prou llarga per omplir la l\\'ednia sencera.\\par\r\n";
    return rtf + "}";
}

void readWordFile(benchmark::State& state)
{
    const QByteArray bytes = wordFile();
    for (auto _ : state) {
        QTextDocument document;
        benchmark::DoNotOptimize(tirvelo::readRtf(bytes, document));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}
BENCHMARK(readWordFile);

void readLargeDocument(benchmark::State& state)
{
    const QByteArray bytes = largeDocument();
    for (auto _ : state) {
        QTextDocument document;
        benchmark::DoNotOptimize(tirvelo::readRtf(bytes, document));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}
BENCHMARK(readLargeDocument)->Unit(benchmark::kMillisecond);

void plainTextOfLargeDocument(benchmark::State& state)
{
    QTextDocument document;
    tirvelo::readRtf(largeDocument(), document);
    for (auto _ : state)
        benchmark::DoNotOptimize(tirvelo::richTextPlainText(document));
}
BENCHMARK(plainTextOfLargeDocument)->Unit(benchmark::kMillisecond);

} // namespace
