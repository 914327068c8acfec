#pragma once

#include <cstddef>

namespace web {

// Whether `der` is one whole X.509 certificate as the TLS library that libcurl
// is built with reads it: a file libcurl is handed must hold nothing that
// library refuses, or it refuses the whole file, the system's certificates
// with it. One body per TLS library.
bool IsCertificate(const unsigned char* der, std::size_t size);

} // namespace web
