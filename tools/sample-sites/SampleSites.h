#pragma once

#include "loopback/LoopbackServer.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Sample answers in the manner of the sites the program talks to, all on one
// loopback port, so the program can be tried where the real sites cannot be
// reached. These are made-up answers, not real data.
//
// Where each site lives below http://127.0.0.1:<port>:
//   ICCID site        /iccid/result.php?ICCID=...
//   warranty service  /wcResults.do
//   IMEI check site   /imei/  and /imei/validate.php
//   iOS version site  /ios/   and /ios/result/
//   maker's site      /maker/gonggao.html (its picture /maker/banner.png),
//                     /maker/huanji.html
//   shop listing      /shop/item.htm?id=...
namespace samples {

loopback::Response answer(const loopback::Request& request);

// The environment that points the program at sample sites served at `base`.
std::vector<std::pair<std::string, std::string>> environment(const std::string& base);

// A complete settings file (kestrune.conf) that points both programs at
// sample sites served at `base`.
std::string settingsFile(const std::string& base);

// Each site answers the requests that are its own and leaves the rest.
std::optional<loopback::Response> iccidSite(const loopback::Request& request);
std::optional<loopback::Response> makerSite(const loopback::Request& request);
std::optional<loopback::Response> warrantySite(const loopback::Request& request);
std::optional<loopback::Response> iosSite(const loopback::Request& request);
std::optional<loopback::Response> imeiSite(const loopback::Request& request);

// The day the sample answers count their dates from: the machine's today,
// unless one is pinned (tests pin one, so that what they expect cannot change
// at midnight while they run).
void pinToday(int year, int month, int day);
void unpinToday();

// That day moved by `days`, at noon local time.
std::tm dayFromToday(int days);

// A form field of an url-encoded body or query ("a=1&b=2"), as sent.
std::optional<std::string> formField(const std::string& form, const std::string& name);

// The value of the named cookie in any Cookie header of the request ("a=1; b=2").
std::optional<std::string> cookie(const loopback::Request& request, const std::string& name);

} // namespace samples
