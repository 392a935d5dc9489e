#pragma once

#include <QList>
#include <QQueue>
#include <functional>

#include "platform/Platform.h"

namespace qs::test {

// Records every service a window asks for and answers Yes/No boxes from a
// script given in advance. An unscripted Yes/No box is answered No and noted.
class FakePlatform : public Platform {
public:
    struct Box {
        QString text;
        QString caption;
        Buttons buttons;
        Answer preferred;  // the default button of a Yes/No box
    };

    Answer message(QWidget* owner, const QString& text, const QString& caption = {},
                   Buttons buttons = Buttons::Ok, Answer preferred = Answer::Yes) override;
    void beep() override { ++beeps; }
    bool openUrl(QWidget*, const QString& url) override {
        urls << url;
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        programs << (QStringList{program} + arguments);
        return startSucceeds;
    }
    QDateTime now() const override {
        return clock.isValid() ? clock : QDateTime::currentDateTime();
    }
    void quit() override { ++quits; }
    QString openFileName(QWidget*, const QString&, const QString&) override {
        ++fileDialogs;
        return fileToOpen;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        ++fileDialogs;
        return fileToSave;
    }

    // Answers for the next Yes/No boxes, in order.
    void answer(Answer a) { script.enqueue(a); }
    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    QStringList texts() const;
    void clear();

    QList<Box> boxes;
    QQueue<Answer> script;
    int unscripted = 0;
    int beeps = 0;
    int quits = 0;
    QStringList urls;
    QList<QStringList> programs;
    bool startSucceeds = true;
    QDateTime clock;
    // The file the next open or save dialog "chooses" (empty: cancelled).
    QString fileToOpen;
    QString fileToSave;
    int fileDialogs = 0;
    // Called while a box is "shown", e.g. to look at the window meanwhile.
    std::function<void(const Box&)> onMessage;
};

}  // namespace qs::test
