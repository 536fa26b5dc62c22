#include "desktop.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QUrl>

namespace platform {

void Desktop::beep() {
    QApplication::beep();
}

QStringList qtFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    return out;
}

namespace {

QWidget* activeParent() {
    return QApplication::activeWindow();
}

struct ButtonMap {
    Buttons buttons;
    QMessageBox::StandardButtons qt;
};
constexpr ButtonMap kButtonMap[] = {
    {Buttons::Ok, QMessageBox::Ok},
    {Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel},
    {Buttons::YesNo, QMessageBox::Yes | QMessageBox::No},
    {Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
    {Buttons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel},
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

Answer fromQt(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

// Runs a file dialog with the program's filter form, reporting type changes as they happen.
FileAnswer runFileDialog(FileRequest& req, QFileDialog::AcceptMode mode) {
    QFileDialog dlg(activeParent(), req.title);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
    dlg.setNameFilters(qtFilters(req.filter));
    // The dialog rewrites filter texts (it collapses double blanks, for one), so a filter is
    // known by its position in the dialog's own list.
    const QStringList filters = dlg.nameFilters();
    auto position = [&](const QString& reported) {
        qsizetype i = filters.indexOf(reported);
        if (i < 0) i = filters.indexOf(dlg.selectedNameFilter());
        return int(i) + 1;
    };
    if (req.filterIndex >= 1 && req.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[req.filterIndex - 1]);
    dlg.setDefaultSuffix(req.defaultExt);
    if (!req.fileName.isEmpty()) dlg.selectFile(req.fileName);
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&](const QString& f) {
        if (req.typeChanged) req.typeChanged(position(f), req.filter);
        dlg.setDefaultSuffix(req.defaultExt);
    });
    FileAnswer answer;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return answer;
    answer.accepted = true;
    answer.fileName = dlg.selectedFiles().first();
    answer.filterIndex = position(dlg.selectedNameFilter());
    return answer;
}

class QtDesktop final : public Desktop {
public:
    Answer message(const MessageRequest& r) override {
        QMessageBox box(qtIcon(r.icon), r.title, r.text, QMessageBox::NoButton, activeParent());
        for (const ButtonMap& m : kButtonMap)
            if (m.buttons == r.buttons) box.setStandardButtons(m.qt);
        return fromQt(box.exec());
    }
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override {
        bool ok = false;
        const QString text = QInputDialog::getText(activeParent(), title, prompt, QLineEdit::Normal,
                                                   defaultText, &ok);
        if (!ok) return std::nullopt;
        return text;
    }
    FileAnswer openFile(FileRequest& r) override {
        return runFileDialog(r, QFileDialog::AcceptOpen);
    }
    FileAnswer saveFile(FileRequest& r) override {
        return runFileDialog(r, QFileDialog::AcceptSave);
    }
    std::optional<QColor> chooseColor(const QColor& initial) override {
        const QColor c = QColorDialog::getColor(initial, activeParent());
        if (!c.isValid()) return std::nullopt;
        return c;
    }
    int showModal(QDialog& dialog) override { return dialog.exec(); }
    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
    double twipsPerPixel() const override {
        const QScreen* s = QGuiApplication::primaryScreen();
        const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
        return dpi > 0 ? 1440.0 / dpi : 15.0;
    }
};

QtDesktop gQtDesktop;
Desktop* gDesktop = nullptr;

} // namespace

Desktop& desktop() {
    return gDesktop ? *gDesktop : gQtDesktop;
}
void setDesktop(Desktop* d) {
    gDesktop = d;
}

Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& title) {
    return desktop().message(MessageRequest{text, buttons, icon, title});
}

} // namespace platform
