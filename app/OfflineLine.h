#pragma once

#include "lookup/offline/Describe.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

class QLineEdit;

// One read-only line that says what the identifiers themselves tell, read
// from the input box last edited. It reads once typing pauses, so no keystroke
// ever waits for it; it takes no focus and starts nothing.
class OfflineLine : public QLabel {
    Q_OBJECT

public:
    explicit OfflineLine(QWidget* parent);

    void watch(QLineEdit* box, lookup::offline::Input kind);

private:
    void read();

    QTimer pause_;
    QPointer<QLineEdit> box_; // the box last edited
    lookup::offline::Input kind_ = lookup::offline::Input::Device;
};
