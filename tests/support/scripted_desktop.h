// A desktop that answers every prompt from a script and fails the test on any prompt nobody
// scripted. Installed for the lifetime of the object.
#pragma once

#include "platform/desktop.h"

#include <QDialog>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

namespace pixtest {

class ScriptedDesktop : public platform::Desktop {
public:
    ScriptedDesktop();
    ~ScriptedDesktop() override;

    // --- scripting -----------------------------------------------------------------------------
    // Next message box gets this answer.
    void answerMessage(platform::Answer a) { messages_.push_back(a); }
    // nullopt = the prompt is cancelled.
    void answerInput(const std::optional<QString>& text) {
        inputs_.push_back({text.has_value(), text.value_or(QString())});
    }
    // File dialogs: the path chosen (empty = cancelled) and the filter position picked.
    void answerOpen(const QString& path) { opens_.push_back({!path.isEmpty(), path, 1}); }
    void answerSave(const QString& path, int filterIndex) {
        saves_.push_back({!path.isEmpty(), path, filterIndex});
    }
    void answerColor(std::optional<QColor> c) { colors_.push_back(c); }
    // The next modal dialog is handed to fn, which fills it and returns the result code
    // (use accept()/reject() helpers below or press the buttons).
    void answerModal(std::function<int(QDialog&)> fn) { modals_.push_back(std::move(fn)); }

    // --- what was asked ------------------------------------------------------------------------
    QList<platform::MessageRequest> messagesShown;
    QStringList inputsShown;
    QStringList inputDefaultsShown; // the default answer of each prompt shown, in order
    QList<platform::FileRequest> saveRequests;
    QList<platform::FileRequest> openRequests;
    QList<QUrl> urlsOpened;             // openUrl calls, none really opened
    QList<QStringList> programsStarted; // startProgram calls: program then arguments, none run
    int beeps = 0;
    int pendingAnswers() const;

    // --- Desktop -------------------------------------------------------------------------------
    platform::Answer message(const platform::MessageRequest& request) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    platform::FileAnswer openFile(platform::FileRequest& request) override;
    platform::FileAnswer saveFile(platform::FileRequest& request) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;
    int showModal(QDialog& dialog) override;
    double twipsPerPixel() const override { return 15.0; }
    bool openUrl(const QUrl& url) override {
        urlsOpened << url;
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        programsStarted << (QStringList{program} + arguments);
        return true;
    }
    void beep() override { ++beeps; }

private:
    std::deque<platform::Answer> messages_;
    std::deque<std::pair<bool, QString>> inputs_;
    std::deque<platform::FileAnswer> opens_;
    std::deque<platform::FileAnswer> saves_;
    std::deque<std::optional<QColor>> colors_;
    std::deque<std::function<int(QDialog&)>> modals_;
};

// Modal answer that presses the dialog's OK button (objectName "cmdOK") after fill runs.
std::function<int(QDialog&)> pressOk(std::function<void(QDialog&)> fill = {});
std::function<int(QDialog&)> pressCancel();

} // namespace pixtest
