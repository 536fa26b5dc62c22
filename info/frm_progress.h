// frmProgress: the one progress window of the program, shown while a long operation or a
// download runs, with a Cancel button that stops it at its next report.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

class frmProgress : public QWidget {
    Q_OBJECT
public:
    static frmProgress& instance();

    QWidget* picProgress = nullptr;
    QWidget* picInner = nullptr;
    QLabel* lblProgressText = nullptr;
    QPushButton* btnCancel = nullptr;
    bool Cancelled = false;

    // Handles one progress report of `document`: shows at 0, hides at 100, and in between lets
    // pending events run once and sets *cancel when the user pressed Cancel.
    void report(QWidget* document, int percent, const QString& text, bool* cancel);
    // Hides the window if an operation ended without its 100 % report (an error, say).
    void finish(QWidget* document);
    // A report without a known total: the bar runs as busy.
    void reportBusy(QWidget* document, const QString& text, bool* cancel);
    // True while the window is up for `document`: only Cancel may act on it then.
    bool isReportingFor(const QWidget* document) const;

private:
    frmProgress();
    void begin(QWidget* document, const QString& text);
    void end(QWidget* document);

    QPointer<QWidget> document_; // the document the window reports for while shown
};
