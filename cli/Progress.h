#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace cli {

// One line on standard error that keeps being rewritten: done/read ("+"
// while more input may come), failures, time so far and, once a second has
// passed, lookups a second. Only for a person watching: off for a single
// identifier, with --quiet, and when standard error is no terminal (a log
// file would fill with carriage returns).
class Progress : public QObject {
    Q_OBJECT

public:
    explicit Progress(bool wanted);
    ~Progress() override;

    bool shown() const { return shown_; }
    void update(int done, int failed, int read, bool inputEnded);
    // Takes the line away, so that a result or a message can be written
    // where it stood; the next update() draws it again.
    void clear();

private:
    void draw();

    const bool shown_;
    int done_ = 0;
    int failed_ = 0;
    int read_ = 0;
    bool inputEnded_ = false;
    QElapsedTimer clock_;
    QTimer tick_; // keeps the time moving while the sites are slow
};

} // namespace cli
