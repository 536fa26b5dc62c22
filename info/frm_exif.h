// frmEXIF: the window listing an image's EXIF or IPTC tags as "name = value" lines, in one text
// box that always fills it. Created on first use and reused.
#pragma once

#include <QWidget>

class QPlainTextEdit;

class frmEXIF : public QWidget {
    Q_OBJECT
public:
    static frmEXIF& instance();

    QPlainTextEdit* txtExif = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    frmEXIF();
};
