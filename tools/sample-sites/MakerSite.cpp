#include "SampleSites.h"
namespace samples {
std::optional<loopback::Response> makerSite(const loopback::Request&) { return std::nullopt; }
}
