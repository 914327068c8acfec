#include "Form1.h"

#include "Twips.h"
#include "Version.h"
#include "browser/BrowserPane.h"
#include "history/WindowHistory.h"
#include "lookup/Cuts.h"
#include "lookup/Messages.h"
#include "lookup/Sites.h"
#include "lookup/device/LookupImei.h"
#include "lookup/device/LookupSerial.h"
#include "lookup/sim/LookupIccid.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWindow>

namespace {

QString captionText()
{
    return QStringLiteral(
        "%1  %2.%3   By Kestrune网 %4 苹果手机信息查询,专业找回被偷的iphone手机！")
        .arg(lookup::ProductTitle)
        .arg(version::Major)
        .arg(version::Minor)
        .arg(lookup::Sites::makerHomePage());
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

// The pictures are compiled into this library; a static library has to ask
// for its resources to be registered.
static void registerPictures()
{
    Q_INIT_RESOURCE(art);
}

Form1::Form1(Options options)
    : options_(options)
    , runner_(*this, this)
{
    registerPictures();
    buildLayout();
    history_ = std::make_unique<WindowHistory>(this, historyLine_, T(0), T1(0));
    connect(&runner_, &LookupRunner::finished, this, [this] { En_ = true; });
    connect(WB1_, &BrowserPane::openRequested, this, &Form1::openInSystemBrowser);
    settling_.setInterval(100);
    connect(&settling_, &QTimer::timeout, this, [this] {
        if (++settlingTicks_ >= 100)
            settling_.stop();
        holdOuterSize();
    });
    Form_Load();
}

Form1::~Form1()
{
    runner_.stop();
}

QSize Form1::outerSize()
{
    return {twips::px(12300), twips::px(10000)};
}

void Form1::Form_Load()
{
    En_ = true;
    WB1_->Navigate(QStringLiteral("about:blank"));
    WB1_->Navigate2(lookup::Sites::fromEnvironment().announcementPage());
    setWindowTitle(captionText());
}

void Form1::Cmd_Click(int index)
{
    using namespace lookup;
    switch (index) {
    case 0: {
        if (!En_)
            return;
        const QString input = T(0)->text();
        const auto length = input.size();
        if (length != 15 && length != 12 && length != 14) {
            history_->keepRefused(input);
            msgBox(WrongLengthMessage, MbInformation, ProductTitle);
            return;
        }
        for (int box = 1; box <= 10; ++box)
            T(box)->clear();
        En_ = false;
        repaint();
        if (length == 15)
            runner_.start(history_->keeping(
                Kind::Imei, input, [input](lookup::Form& form) { LookupImei(form, input); }));
        else
            runner_.start(history_->keeping(
                Kind::Serial, input, [input](lookup::Form& form) { LookupSerial(form, input); }));
        return;
    }
    case 2: openInSystemBrowser(Sites::fromEnvironment().shopUrl); return;
    case 3: {
        if (!En_)
            return;
        for (int box = 1; box <= 4; ++box)
            T1(box)->clear();
        // Leading and trailing spaces only; other blanks are the site's to judge.
        const QString iccid = lookup::cuts::trimmedSpaces(T1(0)->text());
        En_ = false;
        repaint();
        runner_.start(history_->keeping(
            Kind::Iccid, iccid, [iccid](lookup::Form& form) { LookupIccid(form, iccid); }));
        return;
    }
    case 4:
        for (int box = 0; box <= 4; ++box)
            T1(box)->clear();
        return;
    default: return;
    }
}

void Form1::setText(lookup::Box box, const QString& text)
{
    QLineEdit* edit = box.array == lookup::Box::Array::T ? T(box.index) : T1(box.index);
    edit->setText(text);
    edit->setCursorPosition(0); // show the start of a long text, not its end
}

int Form1::msgBox(const QString& prompt, int style, const QString& title)
{
    QMessageBox box(iconOf(style), title, prompt, QMessageBox::Ok, this);
    openMessage_ = &box;
    box.exec();
    return 1; // OK, the only button
}

void Form1::openInSystemBrowser(const QString& address)
{
    // The desktop's own way: no command line, so nothing in the address can
    // ever be read as a command.
    QDesktopServices::openUrl(QUrl(address));
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect outer(QPoint(), outerSize());
            outer.moveCenter(screen->availableGeometry().center());
            move(outer.topLeft());
        }
        T1(0)->setFocus();
    }
    holdOuterSize();
}

bool Form1::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::WindowStateChange:
    // A window manager tells the size of its frame only once it has framed
    // the window, and says nothing more about it; the window's activation
    // comes after that.
    case QEvent::ActivationChange: holdOuterSize(); break;
    default: break;
    }
    return handled;
}

// The outer size stays 12300 x 10000 twips whatever the user or the program
// tries; the client area is what is left inside the frame. Without a window
// manager there is no frame and the client area takes it all. While the
// window is minimised this has nothing to hold, and the next resize tries again.
void Form1::holdOuterSize()
{
    if (isMinimized() || !windowHandle())
        return;
    // A window manager may offer full screen or maximise (a key binding, a
    // menu) even to a window of fixed size, and then takes the frame away and
    // moves the window to the screen's corner. The window asks to go back to
    // normal and is held again. The window manager puts its frame back some
    // time later and tells nobody (on a busy desktop seconds later), so the
    // size is held again every tenth of a second for the next ten seconds.
    constexpr Qt::WindowStates taking = Qt::WindowFullScreen | Qt::WindowMaximized;
    if (windowState() & taking) {
        setWindowState(windowState() & ~taking);
        settlingTicks_ = 0;
        settling_.start();
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return; // not known yet
    const QSize client
        = outerSize() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (minimumSize() != client || maximumSize() != client)
        setFixedSize(client);
    keepTitleBarOnScreen();
}

// Back from full screen a window manager may leave the window where full
// screen put it, its title bar above the screen's top, where nobody can take
// hold of it again.
void Form1::keepTitleBarOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The native window's frame, not the widget's copy of it, which is taken
    // at a move and misses a frame the window manager puts back after it.
    const QRect outer = windowHandle()->frameGeometry();
    if (outer.top() < area.top())
        move(outer.left(), area.top());
}

void Form1::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (painted_)
        return;
    painted_ = true;
    emit firstPainted();
    // The web engine's libraries load after the window is on the screen.
    if (options_.loadWebEngine)
        QTimer::singleShot(0, WB1_, &BrowserPane::loadEngine);
}

// This may run inside a message box the lookup waits for, so it must not wait
// for the lookup: it only tells it to end. The destructor waits, once the
// event loops have unwound.
void Form1::closeEvent(QCloseEvent* event)
{
    runner_.cancel();
    if (openMessage_)
        openMessage_->reject();
    event->accept();
}
