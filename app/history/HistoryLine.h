#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>

class QLineEdit;

// The line that says when the identifier in the box last edited was looked
// up before, and what changed. It asks once typing pauses and shows the
// answer when it comes, so no keystroke waits for the history; it takes no
// focus and starts nothing. A text too long for its room is cut with an
// ellipsis on screen; its tooltip and a screen reader get all of it.
class HistoryLine : public QLabel {
    Q_OBJECT

public:
    explicit HistoryLine(QWidget* parent);

    // `trimmed`: the box's lookup drops leading and trailing spaces (the
    // ICCID's), so the history knows the identifier without them.
    void watch(QLineEdit* box, bool trimmed);

    // The identifier the line is about now: what the box last edited holds.
    QString identifier() const;

    void say(const QString& text);

signals:
    // Typing has paused on an identifier (empty when the box was emptied).
    void identifierTyped(const QString& identifier);
    // The line says something new.
    void said(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QTimer pause_;
    QPointer<QLineEdit> box_;
    bool trimmed_ = false;
    QString said_;
};
