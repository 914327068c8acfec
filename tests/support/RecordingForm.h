#pragma once

#include "lookup/Form.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// Stands in for the window: keeps every write, message and browser address in
// the order a lookup made them, and what each box holds now.
class RecordingForm : public lookup::Form {
public:
    struct Event {
        enum class Kind { Text, Message, Browser };
        Kind kind;
        lookup::Box box {lookup::Box::Array::T, 0};
        QString text;
        int style = 0;
        QString title;
    };

    void setText(lookup::Box box, const QString& text) override
    {
        events.push_back({Event::Kind::Text, box, text, 0, {}});
        boxes_[key(box)] = text;
    }
    int msgBox(const QString& prompt, int style, const QString& title) override
    {
        events.push_back({Event::Kind::Message, {}, prompt, style, title});
        return 1; // OK
    }
    void openInSystemBrowser(const QString& address) override
    {
        events.push_back({Event::Kind::Browser, {}, address, 0, {}});
    }

    QString text(lookup::Box box) const
    {
        const auto it = boxes_.find(key(box));
        return it == boxes_.end() ? QString() : it->second;
    }
    bool written(lookup::Box box) const
    {
        for (const Event& event : events)
            if (event.kind == Event::Kind::Text && event.box == box)
                return true;
        return false;
    }
    QStringList messages() const { return all(Event::Kind::Message); }
    // "T(3)=text" / "T1(2)=text" / "msg:prompt" / "open:address", in order.
    QStringList log() const
    {
        QStringList lines;
        for (const Event& event : events) {
            switch (event.kind) {
            case Event::Kind::Text: lines << name(event.box) + '=' + event.text; break;
            case Event::Kind::Message: lines << "msg:" + event.text; break;
            case Event::Kind::Browser: lines << "open:" + event.text; break;
            }
        }
        return lines;
    }
    static QString name(lookup::Box box)
    {
        return QStringLiteral("%1(%2)")
            .arg(box.array == lookup::Box::Array::T ? "T" : "T1")
            .arg(box.index);
    }

    std::vector<Event> events;

private:
    static int key(lookup::Box box)
    {
        return (box.array == lookup::Box::Array::T ? 0 : 100) + box.index;
    }
    QStringList all(Event::Kind kind) const
    {
        QStringList texts;
        for (const Event& event : events)
            if (event.kind == kind)
                texts << event.text;
        return texts;
    }
    std::map<int, QString> boxes_;
};
