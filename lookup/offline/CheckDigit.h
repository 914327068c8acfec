#pragma once

namespace lookup::offline {

// What the reader could say about an identifier's check digit.
enum class CheckDigit {
    NotRead, // the input is no identifier of this kind
    Right,
    Wrong, // the reading gives the digit that would be right
    Missing, // a 14-digit IMEI: the reading gives the digit that completes it
    None, // an IMEISV carries a software version instead
    NotUsed, // Chinese issuers' last character is no Luhn digit
};

} // namespace lookup::offline
