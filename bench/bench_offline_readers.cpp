// Reading one identifier of each kind offline, as the window does after each
// pause in typing: each should take well under 2 µs.
#include "lookup/offline/ReadIccid.h"
#include "lookup/offline/ReadImei.h"
#include "lookup/offline/ReadSerial.h"

#include <benchmark/benchmark.h>

namespace {

using namespace lookup::offline;

const QDate Today(2024, 6, 1);

void BM_ReadImei(benchmark::State& state)
{
    const QString imei = QStringLiteral("35-209900-176148-1");
    if (ReadImei(imei).check != CheckDigit::Right) {
        state.SkipWithError("the IMEI was not read");
        return;
    }
    for (auto _ : state) {
        auto reading = ReadImei(imei);
        benchmark::DoNotOptimize(reading);
    }
}

void BM_ReadSerial(benchmark::State& state)
{
    const QString serial = QStringLiteral("F2LPTABCHG7F");
    if (ReadSerial(serial, Today).years.isEmpty()) {
        state.SkipWithError("the serial number was not read");
        return;
    }
    for (auto _ : state) {
        auto reading = ReadSerial(serial, Today);
        benchmark::DoNotOptimize(reading);
    }
}

void BM_ReadIccid(benchmark::State& state)
{
    const QString iccid = QStringLiteral("8986 0090 1915 1123 4567");
    if (ReadIccid(iccid, Today).province.isEmpty()) {
        state.SkipWithError("the ICCID was not read");
        return;
    }
    for (auto _ : state) {
        auto reading = ReadIccid(iccid, Today);
        benchmark::DoNotOptimize(reading);
    }
}

} // namespace

BENCHMARK(BM_ReadImei);
BENCHMARK(BM_ReadSerial);
BENCHMARK(BM_ReadIccid);
