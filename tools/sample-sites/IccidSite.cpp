#include "SampleSites.h"
namespace samples {
std::optional<loopback::Response> iccidSite(const loopback::Request&) { return std::nullopt; }
}
