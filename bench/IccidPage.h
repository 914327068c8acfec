#pragma once

#include <QByteArray>

// A result page of the ICCID site as the benchmarks read it: UTF-8, the four
// captions each with its value tag, the table end and the disclaimer, padded
// with the news rows, scripts and footers such sites carry to about `bytes`.
// Most of the padding stands inside the result table, ahead of the captions,
// so every cut has the whole page to search.
QByteArray IccidAnswerPage(qsizetype bytes);

// The same page, of the same size, with the padding ahead of the captions
// made of `filler` repeated ("ßa": text whose upper case is longer than
// itself) instead of news rows.
QByteArray IccidAnswerPageFilledWith(qsizetype bytes, const QByteArray& filler);
