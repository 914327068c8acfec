#include "SampleSites.h"

namespace samples {

// Not served yet.
std::optional<loopback::Response> imeiSite(const loopback::Request&)
{
    return std::nullopt;
}

} // namespace samples
