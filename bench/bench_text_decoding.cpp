// Decoding a 1 MiB page as the program does (the Encoding Standard's
// decoders: DecodeText), next to Qt's own decoder reading the same bytes in
// the same run (what DecodeText used before: ICU's GBK on Linux). The goal:
// DecodeText within 1.1 x of Qt's figure, for UTF-8 and for GBK.
#include "IccidPage.h"

#include "web/TextDecoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype OneMiB = 1 << 20;

// The ICCID answer page, markup and Chinese text, in the charset named.
QByteArray pageIn(const char* charset)
{
    const QString page
        = QString::fromUtf8(IccidAnswerPage(OneMiB)).replace(QChar(0xA9), QStringLiteral("(c)"));
    QStringEncoder encoder(charset);
    return encoder.encode(page);
}

void decodeText(benchmark::State& state, const char* charset)
{
    const QByteArray page = pageIn(charset);
    const QString label = QString::fromLatin1(charset);
    if (web::DecodeText(page, label) != QStringDecoder(charset).decode(page))
        state.SkipWithError("DecodeText and Qt read the page differently");
    for (auto _ : state) {
        auto text = web::DecodeText(page, label);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

void qtDecoder(benchmark::State& state, const char* charset)
{
    const QByteArray page = pageIn(charset);
    for (auto _ : state) {
        QStringDecoder decoder(charset);
        QString text = decoder.decode(page);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

} // namespace

BENCHMARK_CAPTURE(decodeText, utf8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtDecoder, utf8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeText, gbk, "GBK")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtDecoder, gbk, "GBK")->Unit(benchmark::kMillisecond);
