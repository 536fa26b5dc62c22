// The seam to the desktop: every message box, prompt, file and colour dialog and modal show goes
// through one interface, so tests can answer them from a script.
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <optional>

class QDialog;
class QUrl;
class QWidget;

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Critical, Question, Warning, Information };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString title; // "Pixendra" unless a caller names another
};

// A file dialog. Filters use the "Description|*.ext;*.ext2|Description|*.*" form; filterIndex
// is 1-based. typeChanged is called whenever the user picks another file type; it may change
// defaultExt, which the dialog then uses.
struct FileRequest {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString defaultExt; // appended to a name typed without extension
    QString fileName;
    std::function<void(int filterIndex, const QString& filter)> typeChanged;
};

struct FileAnswer {
    bool accepted = false;
    QString fileName;
    int filterIndex = 1;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Answer message(const MessageRequest& request) = 0;
    // Text prompt; nullopt when cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;
    virtual FileAnswer openFile(FileRequest& request) = 0;
    virtual FileAnswer saveFile(FileRequest& request) = 0;
    // Colour dialog; nullopt when cancelled.
    virtual std::optional<QColor> chooseColor(const QColor& initial) = 0;
    // Shows a dialog modally and returns its result code (QDialog::Accepted / Rejected).
    virtual int showModal(QDialog& dialog) = 0;
    // Twips (1/1440 inch) per screen pixel.
    virtual double twipsPerPixel() const = 0;
    // Opens a file or address in the desktop's program for it; false when none could.
    virtual bool openUrl(const QUrl& url) = 0;
    // Starts a program on its own; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // The system beep.
    virtual void beep();
};

// The desktop in use: the real one unless a test installed another.
Desktop& desktop();
// Installs a desktop (nullptr restores the real one). The caller keeps ownership.
void setDesktop(Desktop* d);

// Shorthand for a message with the application title "Pixendra".
Answer messageBox(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                  const QString& title = QStringLiteral("Pixendra"));

// Splits a "Description|pattern|..." filter into Qt's "Description (pattern)" entries.
QStringList qtFilters(const QString& filter);

} // namespace platform
