#include "OfflineLine.h"

#include <QDate>
#include <QLineEdit>

namespace {

// Long enough to let a typed word settle, short enough to feel immediate.
constexpr int PauseMs = 150;

} // namespace

OfflineLine::OfflineLine(QWidget* parent)
    : QLabel(parent)
{
    setAccessibleName(QStringLiteral("离线解析"));
    setTextFormat(Qt::PlainText); // the reading quotes what was typed
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::NoFocus); // after the flags, which would ask for click focus
    setAttribute(Qt::WA_TranslucentBackground);
    pause_.setSingleShot(true);
    pause_.setInterval(PauseMs);
    connect(&pause_, &QTimer::timeout, this, &OfflineLine::read);
}

void OfflineLine::watch(QLineEdit* box, lookup::offline::Input kind)
{
    // Every change, the clear button's included, so the line never speaks of
    // text that is gone.
    connect(box, &QLineEdit::textChanged, this, [this, box, kind] {
        box_ = box;
        kind_ = kind;
        pause_.start();
    });
}

void OfflineLine::read()
{
    const QString reading
        = box_ ? lookup::offline::Describe(kind_, box_->text(), QDate::currentDate()) : QString();
    setText(reading);
    // A screen reader takes a label's name, which says what the line is, in
    // place of its text; the reading goes in the description, and setting it
    // tells assistive technology that it changed.
    setAccessibleDescription(reading);
}
