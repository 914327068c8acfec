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

// Only the roots already in the store: with certificates of its own, libcurl
// has Windows check the chain against them alone, so a root that Windows
// would otherwise fetch from Windows Update on first need is not trusted.
// What the store says of a root beyond its bytes (usages narrowed by the
// administrator) is not carried over either. And checking the chain itself,
// libcurl (7.88) matches the host against the certificate's DNS names only:
// a site reached by its IP address does not pass.
QList<QByteArray> SystemStoreCertificates()
{
    QList<QByteArray> certificates;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store)
        return certificates;
    const CERT_CONTEXT* certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate))) {
        if (certificate->dwCertEncodingType & X509_ASN_ENCODING)
            certificates << QByteArray(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                qsizetype(certificate->cbCertEncoded));
    }
    CertCloseStore(store, 0);
    return certificates;
}

} // namespace web
