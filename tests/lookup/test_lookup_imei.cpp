#include <QtTest>

// Placeholder while the lookup is being written.
class Placeholder : public QObject {
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Placeholder)
#include "test_lookup_imei.moc"
