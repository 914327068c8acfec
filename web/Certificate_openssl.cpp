#include "Certificate.h"

#include <openssl/x509.h>

namespace web {

bool IsCertificate(const unsigned char* der, std::size_t size)
{
    const unsigned char* next = der;
    X509* certificate = d2i_X509(nullptr, &next, long(size));
    X509_free(certificate);
    // A certificate with bytes after it is no certificate either.
    return certificate && next == der + size;
}

QList<QByteArray> SystemStoreCertificates()
{
    return {}; // libcurl with OpenSSL names its bundle file (CURLINFO_CAINFO)
}

} // namespace web
