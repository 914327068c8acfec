#pragma once

#include <string>
#include <string_view>

namespace hostile {

// What a well-behaved site would answer at `sitePath` (the request's path
// after the case name), in UTF-8: pages that each lookup reads into known
// values, so that a case which spoils only the wrapping (a charset, cookies)
// shows whether the values still come through.
//
//   ""/"/"               home page of the IMEI and iOS sites: a form token
//   ".../wcResults.do"   warranty service: not replaced, coverage expired
//   ".../validate.php"   IMEI site: activated, "iPhone 6s White", expired
//   ".../result/"        iOS site: version 9.3.5
//   ".../result.php"     ICCID site: the four values
std::string OrdinaryPage(std::string_view sitePath);

// The session cookie the home pages hand out.
inline constexpr std::string_view SiteCookie = "PHPSESSID=hostile; path=/";

// `utf8` re-encoded in `charset` (e.g. "GBK", "IBM037"); characters the
// charset lacks become its substitute character.
std::string Encoded(const std::string& utf8, const char* charset);

} // namespace hostile
