#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "common/Operator.h"
#include "settings/INITools.h"

// Records what the program shows and answers its questions from a script.
class FakeGeometry : public FormGeometry {
public:
    bool normal = true;
    int x = 0, y = 0, w = 10590, h = 9000, sw = 28800, sh = 16200;
    bool isNormalState() const override { return normal; }
    int left() const override { return x; }
    int top() const override { return y; }
    int width() const override { return w; }
    int height() const override { return h; }
    void setLeft(int v) override { x = v; }
    void setTop(int v) override { y = v; }
    void setWidth(int v) override { w = v; }
    void setHeight(int v) override { h = v; }
    int screenWidth() const override { return sw; }
    int screenHeight() const override { return sh; }
};

class FakeOperator : public Operator {
public:
    struct Box {
        QString text;
        BoxIcon icon;
        QString title;
        bool question;
        bool offeredSave = false; // the unsaved-edits question with Save among its answers
    };

    // Answers to Yes/No questions in order; when they run out, the answer is defaultAnswer.
    QList<bool> answers;
    bool defaultAnswer = true;
    // Answers to the unsaved-edits question in order, then defaultSaveAnswer.
    QList<SaveChoice> saveAnswers;
    SaveChoice defaultSaveAnswer = SaveChoice::Discard;
    // Names returned by the file dialogs in order; empty means cancelled.
    QStringList dialogNames;

    QString status, statusToolTip;
    QStringList statusHistory;
    QList<Box> boxes;
    QStringList events; // "hourglass on", "transfer show <caption>", "serial settings", ...
    bool hourglass = false;
    bool transferVisible = false;
    std::function<void()> cancel;
    int sendDataTimer = 0;
    bool ended = false;
    FakeGeometry geometry;
    QString caption = QStringLiteral("ZT DerUvav Version 1.0 Build 5");

    void setStatus(const QString &text, const QString &toolTip) override
    {
        status = text;
        statusToolTip = toolTip;
        statusHistory << text;
    }
    void messageBox(const QString &text, BoxIcon icon, const QString &title) override
    {
        boxes << Box{text, icon, title, false};
    }
    bool askYesNo(const QString &text, BoxIcon icon, const QString &title) override
    {
        boxes << Box{text, icon, title, true};
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    SaveChoice askSaveChanges(const QString &text, bool offerSave, const QString &title) override
    {
        boxes << Box{text, BoxIcon::Exclamation, title, true, offerSave};
        return saveAnswers.isEmpty() ? defaultSaveAnswer : saveAnswers.takeFirst();
    }
    void setHourglass(bool on) override { hourglass = on; }
    QString mainCaption() const override { return caption; }
    QString saveFileDialog(const QString &title, const QString &filter, const QString &,
                           const QString &initialName) override
    {
        events << QStringLiteral("save dialog %1|%2|%3").arg(title, filter, initialName);
        return dialogNames.isEmpty() ? QString() : dialogNames.takeFirst();
    }
    QString openFileDialog(const QString &title, const QString &filter, const QString &,
                           const QString &initialName) override
    {
        events << QStringLiteral("open dialog %1|%2|%3").arg(title, filter, initialName);
        return dialogNames.isEmpty() ? QString() : dialogNames.takeFirst();
    }
    void showTransferWindow(const QString &transferCaption, std::function<void()> onCancel) override
    {
        transferVisible = true;
        cancel = std::move(onCancel);
        events << QStringLiteral("transfer show ") + transferCaption;
    }
    void hideTransferWindow() override
    {
        transferVisible = false;
        events << QStringLiteral("transfer hide");
    }
    void showSerialSettings() override { events << QStringLiteral("serial settings"); }
    void showProtocol() override { events << QStringLiteral("protocol"); }
    void showAbout() override { events << QStringLiteral("about"); }
    void showCommDebug() override { events << QStringLiteral("comm debug"); }
    void startSendDataTimer(int intervalMs) override { sendDataTimer = intervalMs; }
    FormGeometry *mainWindow() override { return &geometry; }
    void endProgram() override
    {
        ended = true;
        events << QStringLiteral("end");
    }
};
