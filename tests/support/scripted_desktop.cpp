#include "scripted_desktop.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace pixtest {

ScriptedDesktop::ScriptedDesktop() {
    platform::setDesktop(this);
}

ScriptedDesktop::~ScriptedDesktop() {
    platform::setDesktop(nullptr);
    EXPECT_EQ(pendingAnswers(), 0) << "scripted answers were never used";
}

int ScriptedDesktop::pendingAnswers() const {
    return int(messages_.size() + inputs_.size() + opens_.size() + saves_.size() + colors_.size() +
               modals_.size());
}

template <typename Q> static bool take(Q& queue, const char* what, const QString& detail) {
    if (!queue.empty()) return true;
    ADD_FAILURE() << "unscripted " << what << ": " << detail.toStdString();
    return false;
}

platform::Answer ScriptedDesktop::message(const platform::MessageRequest& r) {
    messagesShown.append(r);
    if (!take(messages_, "message box", r.text)) return platform::Answer::Cancel;
    const platform::Answer a = messages_.front();
    messages_.pop_front();
    return a;
}

std::optional<QString> ScriptedDesktop::input(const QString& prompt, const QString&,
                                              const QString& defaultText) {
    inputsShown.append(prompt);
    inputDefaultsShown.append(defaultText);
    if (!take(inputs_, "input prompt", prompt)) return std::nullopt;
    const auto [given, text] = inputs_.front();
    inputs_.pop_front();
    if (!given) return std::nullopt;
    return text;
}

platform::FileAnswer ScriptedDesktop::openFile(platform::FileRequest& r) {
    openRequests.append(r);
    if (!take(opens_, "open dialog", r.filter)) return {};
    auto a = opens_.front();
    opens_.pop_front();
    return a;
}

platform::FileAnswer ScriptedDesktop::saveFile(platform::FileRequest& r) {
    if (!take(saves_, "save dialog", r.filter)) {
        saveRequests.append(r);
        return {};
    }
    auto a = saves_.front();
    saves_.pop_front();
    // The user picked a file type: the dialog reports it as the real one does.
    if (a.accepted && a.filterIndex != r.filterIndex && r.typeChanged)
        r.typeChanged(a.filterIndex, r.filter);
    saveRequests.append(r);
    return a;
}

std::optional<QColor> ScriptedDesktop::chooseColor(const QColor& initial) {
    if (!take(colors_, "colour dialog", initial.name())) return std::nullopt;
    auto a = colors_.front();
    colors_.pop_front();
    return a;
}

int ScriptedDesktop::showModal(QDialog& dialog) {
    if (!take(modals_, "modal dialog", dialog.windowTitle())) {
        dialog.reject();
        return QDialog::Rejected;
    }
    auto fn = std::move(modals_.front());
    modals_.pop_front();
    return fn(dialog);
}

static int press(QDialog& d, const char* name) {
    if (auto* b = d.findChild<QPushButton*>(QString::fromLatin1(name))) {
        b->click();
        return d.result();
    }
    ADD_FAILURE() << "dialog has no button " << name;
    return QDialog::Rejected;
}

std::function<int(QDialog&)> pressOk(std::function<void(QDialog&)> fill) {
    return [fill](QDialog& d) {
        if (fill) fill(d);
        return press(d, "cmdOK");
    };
}

std::function<int(QDialog&)> pressCancel() {
    return [](QDialog& d) { return press(d, "cmdCancel"); };
}

} // namespace pixtest
