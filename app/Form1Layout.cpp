// The window's fixed layout: every control at its place in twips, measured
// from the top-left corner of its frame (title band included).
#include "Form1.h"

#include "InputLimit.h"
#include "OfflineLine.h"
#include "Twips.h"
#include "browser/BrowserPane.h"
#include "history/HistoryLine.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPixmap>
#include <QPushButton>

namespace {

const QString Yahei = QStringLiteral("微软雅黑");

struct Place {
    int left, top, width, height;
};

// A result box (or input) and the label beside it.
struct Row {
    int label; // LB index
    QString text; // the label's text, also the box's accessible name
    Place labelAt;
    bool sizedToText; // the two input labels: left-aligned, as wide as their text
    Place boxAt;
};

QFont yahei(double points, int weight = QFont::Normal)
{
    QFont font(Yahei);
    font.setPointSizeF(points);
    font.setWeight(QFont::Weight(weight));
    return font;
}

QLabel* makeLabel(QWidget* frame, const Row& row)
{
    auto* label = new QLabel(row.text, frame);
    label->setFont(yahei(9));
    label->setFocusPolicy(Qt::NoFocus);
    label->setAttribute(Qt::WA_TranslucentBackground);
    const QRect box
        = twips::rect(row.labelAt.left, row.labelAt.top, row.labelAt.width, row.labelAt.height);
    // The twip heights were made for the original font; ours is a little taller,
    // and a label must not cut its own text off.
    const int height = std::max(box.height(), label->fontMetrics().height());
    if (row.sizedToText) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(box.left(), box.top(), label->sizeHint().width(), height);
    } else {
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setGeometry(box.left(), box.top(), box.width(), height);
    }
    return label;
}

QLineEdit* makeBox(QWidget* frame, const Row& row, QLabel* label)
{
    auto* box = new QLineEdit(frame);
    box->setFont(yahei(9));
    box->setGeometry(twips::rect(row.boxAt.left, row.boxAt.top, row.boxAt.width, row.boxAt.height));
    box->setAccessibleName(row.text);
    label->setBuddy(box);
    return box;
}

QPushButton* makePictureButton(
    QWidget* frame, const Place& at, const QString& picture, const QString& words)
{
    auto* button = new QPushButton(frame);
    button->setGeometry(twips::rect(at.left, at.top, at.width, at.height));
    button->setIcon(QIcon(QPixmap(picture)));
    button->setIconSize(QSize(128, 33));
    button->setAutoDefault(false); // Enter starts nothing
    button->setDefault(false);
    button->setAccessibleName(words);
    button->setToolTip(words);
    button->setFont(QFont(QStringLiteral("宋体"), 9));
    return button;
}

} // namespace

void Form1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowCloseButtonHint); // no maximise button
    QFont songti(QStringLiteral("宋体"));
    songti.setPointSizeF(10.5);
    setFont(songti);
    setBackgroundRole(QPalette::Window);
    QIcon icon;
    for (int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/art/icon-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    resize(twips::px(11955), twips::px(9660)); // the client area as laid out

    Frame2_ = new QGroupBox(QStringLiteral("基本信息查询"), this);
    Frame2_->setGeometry(twips::rect(150, 180, 11625, 6375));
    Frame1_ = new QGroupBox(QStringLiteral("ICCID信息查询"), this);
    Frame1_->setGeometry(twips::rect(240, 6600, 11505, 2715));
    for (QGroupBox* frame : {Frame2_, Frame1_}) {
        frame->setFont(yahei(10.5));
        frame->setFocusPolicy(Qt::NoFocus);
    }

    const Row deviceRows[] = {
        {0, QStringLiteral("Imei或序列号："), {180, 540, 1275, 255}, true, {1500, 540, 3800, 330}},
        {1, QStringLiteral("是否换机:"), {7260, 540, 915, 210}, false, {8405, 480, 2835, 375}},
        {2, QStringLiteral("型号:"), {7380, 1095, 795, 210}, false, {8405, 1035, 2835, 375}},
        {5, QStringLiteral("激活状态:"), {6420, 1620, 1755, 210}, false, {8400, 1590, 2835, 375}},
        {6, QStringLiteral("首次激活时间:"), {5280, 2880, 1995, 210}, false,
            {7560, 2760, 3735, 375}},
        {7, QStringLiteral("保修状态:"), {5280, 3360, 1995, 210}, false, {7560, 3240, 3735, 375}},
        {8, QStringLiteral("保修时间截止:"), {5280, 3960, 1995, 210}, false,
            {7560, 3840, 3735, 375}},
        {9, QStringLiteral("剩余保修天数:"), {5640, 4560, 1635, 210}, false,
            {7560, 4440, 3735, 375}},
        {10, QStringLiteral("电话支持:"), {5280, 5040, 1995, 210}, false, {7560, 5040, 3735, 375}},
        {11, QStringLiteral("电话支持截止:"), {5400, 5640, 1995, 210}, false,
            {7560, 5640, 3735, 375}},
        {3, QStringLiteral("当前IOS版本:"), {5280, 2280, 1995, 210}, false,
            {7560, 2160, 3675, 375}},
    };
    const Row simRows[] = {
        {13, QStringLiteral("ICCID"), {720, 630, 495, 255}, true, {1290, 570, 4035, 330}},
        {14, QStringLiteral("运营商:"), {5280, 510, 1995, 210}, false, {7560, 480, 3675, 330}},
        {15, QStringLiteral("部分手机号(参考):"), {5280, 1080, 1995, 210}, false,
            {7560, 1037, 3675, 330}},
        {16, QStringLiteral("卡年代:"), {5280, 1560, 1995, 210}, false, {7560, 1594, 3675, 330}},
        {17, QStringLiteral("归属地(区号):"), {5280, 2160, 1995, 210}, false,
            {7560, 2153, 3675, 330}},
    };

    // Labels and the spinner are painted on the frame; every other control
    // lies above them, so they are made first.
    for (const Row& row : deviceRows)
        LB_[row.label] = makeLabel(Frame2_, row);
    for (const Row& row : simRows)
        LB_[row.label] = makeLabel(Frame1_, row);

    // The busy spinner lies wholly behind T(0) and is never seen.
    Image1_ = new QLabel(Frame2_);
    Image1_->setGeometry(twips::rect(4800, 540, 300, 300));
    Image1_->setMovie(new QMovie(QStringLiteral(":/art/spinner.gif"), QByteArray(), Image1_));

    // Device rows run T(0), T(1), ... T(9), T(10): the order of deviceRows.
    for (size_t box = 0; box < T_.size(); ++box)
        T_[box] = makeBox(Frame2_, deviceRows[box], LB_[deviceRows[box].label]);
    for (size_t box = 0; box < T1_.size(); ++box)
        T1_[box] = makeBox(Frame1_, simRows[box], LB_[simRows[box].label]);

    new InputLimit(T(0), 15);
    new InputLimit(T1(0), 20);
    for (int box = 1; box <= 10; ++box)
        T(box)->setReadOnly(true);
    for (int box = 1; box <= 4; ++box)
        T1(box)->setReadOnly(true);
    QFont bold = yahei(9, QFont::Bold);
    T(1)->setFont(bold);
    QPalette red = T(1)->palette();
    red.setColor(QPalette::Text, QColor(255, 0, 0));
    T(1)->setPalette(red);

    Picture1_ = new QLabel(Frame2_);
    Picture1_->setGeometry(twips::rect(5340, 180, 2055, 2055));
    Picture1_->setPixmap(QPixmap(QStringLiteral(":/art/logo.jpg"))); // unscaled, cut at the edges
    Picture1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1_->setFocusPolicy(Qt::TabFocus);
    Picture1_->setAccessibleName(QStringLiteral("Kestrune网"));

    const QString startQuery = QStringLiteral(":/art/start-query.jpg");
    Cmd_[0] = makePictureButton(
        Frame2_, {780, 1110, 1965, 540}, startQuery, QStringLiteral("开始查询"));
    Cmd_[2] = makePictureButton(Frame2_, {3300, 1110, 1965, 540}, QStringLiteral(":/art/shop.jpg"),
        QStringLiteral("Kestrune网店"));
    Cmd_[3] = makePictureButton(
        Frame1_, {720, 1230, 1965, 540}, startQuery, QStringLiteral("开始查询"));
    Cmd_[4] = makePictureButton(Frame1_, {3240, 1230, 1965, 540}, QStringLiteral(":/art/clear.jpg"),
        QStringLiteral("清空信息"));
    for (const auto& [index, button] : Cmd_)
        connect(button, &QPushButton::clicked, this, [this, index = index] { Cmd_Click(index); });

    WB1_ = new BrowserPane(Frame2_);
    WB1_->setGeometry(twips::rect(270, 2010, 5415, 4185));
    WB1_->setAccessibleName(QStringLiteral("公告"));

    // What the identifiers say by themselves, in the strip below the ICCID
    // frame: as wide as the frame's inside, as tall as one line of its text.
    offlineLine_ = new OfflineLine(this);
    offlineLine_->setFont(yahei(9));
    offlineLine_->setGeometry(twips::px(240 + 180), twips::px(6600 + 2715), twips::px(11505 - 360),
        offlineLine_->fontMetrics().height());
    offlineLine_->setObjectName(QStringLiteral("offlineLine"));
    offlineLine_->watch(T(0), lookup::offline::Input::Device);
    offlineLine_->watch(T1(0), lookup::offline::Input::Sim);

    // When the typed identifier was looked up before: in the ICCID frame's
    // empty corner below its buttons, just above the offline line it goes
    // with, as tall as the corner has room for.
    historyLine_ = new HistoryLine(this);
    historyLine_->setFont(yahei(9));
    historyLine_->setGeometry(twips::rect(240 + 720, 6600 + 1830, 5205 - 720, 810));
    historyLine_->setObjectName(QStringLiteral("historyLine"));

    for (size_t box = 0; box < T_.size(); ++box)
        T_[box]->setObjectName(QStringLiteral("T(%1)").arg(box));
    for (size_t box = 0; box < T1_.size(); ++box)
        T1_[box]->setObjectName(QStringLiteral("T1(%1)").arg(box));
    for (const auto& [index, button] : Cmd_)
        button->setObjectName(QStringLiteral("Cmd(%1)").arg(index));
    WB1_->setObjectName(QStringLiteral("WB1"));
    Picture1_->setObjectName(QStringLiteral("Picture1"));
    Image1_->setObjectName(QStringLiteral("Image1"));

    // The Tab key walks the SIM card section first, then the device section.
    const QList<QWidget*> tabWalk = {T1(0), T1(1), T1(2), T1(3), T1(4), Cmd(4), Cmd(3), Picture1_,
        T(0), T(1), T(2), T(3), T(4), T(5), T(6), T(7), Cmd(0), Cmd(2), T(8), T(9), WB1_, T(10)};
    for (qsizetype i = 1; i < tabWalk.size(); ++i)
        setTabOrder(tabWalk[i - 1], tabWalk[i]);
}
