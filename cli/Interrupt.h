#pragma once

#include <QObject>

namespace cli {

// Turns the first Ctrl-C (SIGINT) into a Qt signal on the main thread, where
// it is safe to act on. A second Ctrl-C ends the program at once, the usual
// way out when a clean stop takes too long.
class Interrupt : public QObject {
    Q_OBJECT

public:
    Interrupt();
    ~Interrupt() override;

    // For a thread other than the main one: Ctrl-C is the main thread's to
    // handle; on another it would only cut a transfer's or a read's wait short.
    static void keepOffThisThread();

signals:
    void requested();
};

} // namespace cli
