#pragma once

#include "LookupRunner.h"
#include "lookup/Form.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <map>
#include <memory>

class BrowserPane;
class HistoryLine;
class OfflineLine;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class WindowHistory;

// The one window: a device section (serial number or IMEI) and a SIM card
// section (ICCID), each with its input, its buttons and its result boxes, and
// the maker's announcement page in a browser pane.
class Form1 : public QWidget, public lookup::Form {
    Q_OBJECT

public:
    struct Options {
        // Off for a window without the web engine (the start-up benchmark's
        // bare window); the pane then stays a plain panel.
        bool loadWebEngine = true;
    };

    explicit Form1(Options options);
    Form1()
        : Form1(Options {})
    {
    }
    ~Form1() override;

    // True while the window may start a lookup.
    bool En() const { return En_; }

    // The click handler of the Cmd buttons.
    void Cmd_Click(int index);

    // What a lookup may do to the window; on the window's thread.
    void setText(lookup::Box box, const QString& text) override;
    int msgBox(const QString& prompt, int style, const QString& title) override;
    void openInSystemBrowser(const QString& address) override;

    QLineEdit* T(int index) const { return T_.at(size_t(index)); }
    QLineEdit* T1(int index) const { return T1_.at(size_t(index)); }
    QPushButton* Cmd(int index) const { return Cmd_.at(index); }
    BrowserPane* WB1() const { return WB1_; }

    // The outer size the window holds: 12300 x 10000 twips.
    static QSize outerSize();

signals:
    void firstPainted();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void Form_Load();
    void holdOuterSize();
    void keepTitleBarOnScreen();

    Options options_;
    bool En_ = false;
    bool painted_ = false;
    bool centred_ = false;
    // Holds the size again a while after a window manager has taken it.
    QTimer settling_;
    int settlingTicks_ = 0;

    QGroupBox* Frame2_ = nullptr;
    QGroupBox* Frame1_ = nullptr; // Frame1(1), the only element of its array
    std::array<QLineEdit*, 11> T_ {};
    std::array<QLineEdit*, 5> T1_ {};
    std::map<int, QPushButton*> Cmd_;
    std::map<int, QLabel*> LB_;
    QLabel* Picture1_ = nullptr;
    QLabel* Image1_ = nullptr;
    BrowserPane* WB1_ = nullptr;
    OfflineLine* offlineLine_ = nullptr;
    HistoryLine* historyLine_ = nullptr;
    std::unique_ptr<WindowHistory> history_;

    QPointer<QMessageBox> openMessage_;
    LookupRunner runner_;
};
