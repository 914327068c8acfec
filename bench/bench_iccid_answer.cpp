// Reading a large answer of the ICCID site: decoding the bytes as UTF-8 and
// the cuts that find the four fields, without the network. A page of 1 MiB
// should take well under 5 ms, and a page full of text whose upper case is
// longer than itself ("ßa") at most twice as long as an ordinary page of the
// same size.
#include "IccidPage.h"
#include "NullForm.h"

#include "lookup/sim/LookupIccid.h"
#include "web/TextDecoding.h"

#include <benchmark/benchmark.h>

namespace {

const QString Utf8 = QStringLiteral("UTF-8");

void BM_DecodeText(benchmark::State& state)
{
    const QByteArray page = IccidAnswerPage(state.range(0));
    for (auto _ : state) {
        auto text = web::DecodeText(page, Utf8);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

// A page the lookup cannot read would make the figures meaningless.
bool givesFourFields(benchmark::State& state, const QString& answer)
{
    NullForm check;
    lookup::ReadIccidAnswer(check, answer);
    if (!check.readFourFields())
        state.SkipWithError("the page did not give the four fields");
    return check.readFourFields();
}

void BM_ReadIccidAnswer(benchmark::State& state)
{
    const QString answer = *web::DecodeText(IccidAnswerPage(state.range(0)), Utf8);
    if (!givesFourFields(state, answer))
        return;
    NullForm form;
    for (auto _ : state)
        lookup::ReadIccidAnswer(form, answer);
    state.SetBytesProcessed(state.iterations() * answer.size() * qsizetype(sizeof(QChar)));
}

void BM_DecodeAndReadIccidAnswer(benchmark::State& state)
{
    const QByteArray page = IccidAnswerPage(state.range(0));
    if (!givesFourFields(state, *web::DecodeText(page, Utf8)))
        return;
    NullForm form;
    for (auto _ : state)
        lookup::ReadIccidAnswer(form, web::DecodeText(page, Utf8).value_or(QString()));
    state.SetBytesProcessed(state.iterations() * page.size());
}

// An ordinary page (0) or one full of "ßa" (1), read as the lookup reads it.
void BM_ReadIccidAnswerFullOf(benchmark::State& state)
{
    const QByteArray bytes = state.range(1) ? IccidAnswerPageFilledWith(state.range(0), "ßa")
                                            : IccidAnswerPage(state.range(0));
    state.SetLabel(state.range(1) ? "full of ßa" : "ordinary");
    const QString answer = *web::DecodeText(bytes, Utf8);
    if (!givesFourFields(state, answer))
        return;
    NullForm form;
    for (auto _ : state)
        lookup::ReadIccidAnswer(form, answer);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

constexpr int64_t OneMiB = 1 << 20;

} // namespace

BENCHMARK(BM_DecodeText)->Arg(OneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIccidAnswer)->Arg(OneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndReadIccidAnswer)->Arg(30 * 1024)->Arg(OneMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIccidAnswerFullOf)
    ->Args({OneMiB, 0})
    ->Args({OneMiB, 1})
    ->Unit(benchmark::kMillisecond);
