#include "HistoryLine.h"

#include "lookup/Cuts.h"

#include <QLineEdit>
#include <QTextLayout>

namespace {

// As the offline line below: long enough to let a typed word settle, short
// enough to feel immediate.
constexpr int PauseMs = 150;

// The text broken into the label's lines, the last one cut with an ellipsis
// when there is more: a word-wrapping label would cut it off unseen.
QString fitted(const QString& text, const QFont& font, int width, int lines)
{
    if (width <= 0 || lines <= 0)
        return text;
    QTextLayout layout(text, font);
    layout.beginLayout();
    QStringList shown;
    for (int n = 0; n < lines; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        shown << text.mid(line.textStart(), line.textLength());
    }
    const QTextLine more = layout.createLine();
    layout.endLayout();
    if (!more.isValid())
        return shown.join(QLatin1Char('\n'));
    const QFontMetrics metrics(font);
    shown.back()
        = metrics.elidedText(shown.back() + text.mid(more.textStart()), Qt::ElideRight, width);
    return shown.join(QLatin1Char('\n'));
}

} // namespace

HistoryLine::HistoryLine(QWidget* parent)
    : QLabel(parent)
{
    setAccessibleName(QStringLiteral("查询历史"));
    setTextFormat(Qt::PlainText); // it quotes what sites answered
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::NoFocus); // after the flags, which would ask for click focus
    setAttribute(Qt::WA_TranslucentBackground);
    pause_.setSingleShot(true);
    pause_.setInterval(PauseMs);
    connect(&pause_, &QTimer::timeout, this, [this] { emit identifierTyped(identifier()); });
}

void HistoryLine::watch(QLineEdit* box, bool trimmed)
{
    connect(box, &QLineEdit::textChanged, this, [this, box, trimmed] {
        box_ = box;
        trimmed_ = trimmed;
        pause_.start();
    });
}

QString HistoryLine::identifier() const
{
    if (!box_)
        return {};
    return trimmed_ ? lookup::cuts::trimmedSpaces(box_->text()) : box_->text();
}

void HistoryLine::say(const QString& text)
{
    if (text == said_)
        return;
    said_ = text;
    fit();
    setToolTip(text);
    // As the offline line: the name says what the line is, the description
    // holds what it says, and setting it tells assistive technology.
    setAccessibleDescription(text);
    emit said(text);
}

void HistoryLine::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void HistoryLine::fit()
{
    const int lineHeight = fontMetrics().lineSpacing();
    setText(fitted(said_, font(), contentsRect().width(),
        lineHeight > 0 ? contentsRect().height() / lineHeight : 1));
}
