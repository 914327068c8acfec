#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>

namespace web {

// Whether `der` is one whole X.509 certificate as the TLS library that libcurl
// is built with reads it: a file libcurl is handed must hold nothing that
// library refuses, or it refuses the whole file, the system's certificates
// with it. One body per TLS library.
bool IsCertificate(const unsigned char* der, std::size_t size);

// The system's trusted roots (DER, one each) where libcurl's TLS library
// trusts a store of the system's and reads no bundle file (Schannel):
// certificates handed to libcurl become its whole trust there, so the store's
// own must go with them. None where libcurl reads a bundle file instead.
QList<QByteArray> SystemStoreCertificates();

} // namespace web
