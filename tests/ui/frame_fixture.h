// A frame with its own settings store and a scripted desktop, for window tests.
#pragma once

#include "app/mdi_main.h"
#include "document/frm_main.h"
#include "engine/codecs/codec.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "settings/cregister.h"
#include "support/scripted_desktop.h"
#include "support/scripted_devices.h"
#include "support/test_images.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>
#include <memory>

// Writes the pages as a file of that type in a fresh folder; gives its path.
inline QString writeImage(const QString& name, const QList<QImage>& pages, int fileType) {
    const QString path = pixtest::tempDir() + QLatin1Char('/') + name;
    QList<pix::PixPage> list;
    for (const QImage& p : pages) list.append(pix::PixPage{p, 5, {}});
    pix::encodeFile(path, fileType, list, pix::SaveOptions{});
    return path;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        storeFile = pixtest::tempDir() + QStringLiteral("/settings.reg");
        store = std::make_unique<CRegister>(storeFile);
        frame = std::make_unique<MDIMain>(*store);
        screen.frame = frame.get();
        frame->Load();
        frame->show();
    }
    void TearDown() override {
        // Whatever is still open closes without questions.
        for (int k = 0; k < frame->Documents.size(); ++k)
            if (frame->Documents[k]) frame->Documents[k]->Saved = true;
        frame.reset();
    }

    // A new document holding a blank image, shown in the frame (as "New" leaves it: unsaved).
    frmMain* newDocument(int w = 64, int h = 48) {
        const int n = frame->createDocumentSlot();
        frmMain* doc = frame->Documents[n];
        doc->Pix->image().CreateBlank(w, h, pix::MakeColor(0xFFFFFF, 255), 5, QString());
        frame->showDocument(n);
        return doc;
    }
    // Opens the file through File > Open and gives the document shown (nullptr if none).
    frmMain* openThroughMenu(const QString& path) {
        desktop.answerOpen(path);
        frame->chooseMenuItem(QStringLiteral("mnuOpen"));
        return frame->activeDocument();
    }
    int openDocuments() const {
        int n = 0;
        for (bool b : frame->DocumentInUse) n += b;
        return n;
    }
    bool enabled(const char* name, int index = -1) const {
        QAction* a = frame->menuItem(QString::fromLatin1(name), index);
        EXPECT_NE(a, nullptr) << name;
        return a && a->isEnabled();
    }

    pixtest::ScriptedDesktop desktop;
    pixtest::ScriptedCapture screen;
    pixtest::ScriptedScanner scanner;
    QString storeFile;
    std::unique_ptr<CRegister> store;
    std::unique_ptr<MDIMain> frame;
};
