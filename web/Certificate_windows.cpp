#include "Certificate.h"

#include <windows.h>

#include <wincrypt.h>

namespace web {

bool IsCertificate(const unsigned char* der, std::size_t size)
{
    const CERT_CONTEXT* certificate
        = CertCreateCertificateContext(X509_ASN_ENCODING, der, DWORD(size));
    if (!certificate)
        return false;
    CertFreeCertificateContext(certificate);
    return true;
}

} // namespace web
