// The Settings menu: the three settings dialogs, "Double Buffer" and "Antialias".
#include "app/mdi_main.h"
#include "catalogue/frm_dialog.h"
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QAction>

namespace {

const char* const kTiffCompressions[] = {"No Compression", "G3 FAX",  "G4 FAX", "JPEG",
                                         "Packbits",       "Deflate", "LZW"};

// Numeric value of a text row rounded to a 16-bit integer; text that is not a number gives 0,
// and a value out of range keeps the old setting.
int16_t rowInt16(const frmDialog& dlg, int row, int16_t old) {
    try {
        return vb::toInt16(vb::leadingNumber(dlg.txtText(row)->text()));
    } catch (const vb::OverflowError&) {
        return old;
    }
}

void saveSettingsDialog(MDIMain& frame) {
    FrameSettings& s = frame.settings;
    frmDialog dlg(&frame);
    dlg.setWindowTitle(QStringLiteral("Image Save Settings"));
    dlg.AddControl(QStringLiteral("JPG Quality (1-100):"), s.jpegQuality, frmDialog::kText);
    dlg.AddControl(QStringLiteral("JPG Smoothing (1-100):"), s.jpegSmoothing, frmDialog::kText);
    dlg.AddControl(QStringLiteral("JPG Progressive:"), s.jpegProgressive, frmDialog::kCheck);
    dlg.AddControl(QStringLiteral("TIFF Compression:"), 0, frmDialog::kList);
    for (const char* c : kTiffCompressions) dlg.cmbCombo(3)->addItem(QString::fromLatin1(c));
    dlg.cmbCombo(3)->setCurrentIndex(s.tiffCompression);
    dlg.AddControl(QStringLiteral("BMP RLE Compression:"), s.bmpRle, frmDialog::kCheck);
    dlg.AddControl(QStringLiteral("WMF Placeable:"), s.wmfPlaceable, frmDialog::kCheck);
    platform::desktop().showModal(dlg);
    if (dlg.Cancelled) return;
    s.jpegQuality = rowInt16(dlg, 0, s.jpegQuality);
    s.jpegSmoothing = rowInt16(dlg, 1, s.jpegSmoothing);
    s.jpegProgressive = dlg.chkCheck(2)->isChecked();
    s.tiffCompression = int16_t(dlg.cmbCombo(3)->currentIndex());
    s.bmpRle = dlg.chkCheck(4)->isChecked();
    s.wmfPlaceable = dlg.chkCheck(5)->isChecked();
    if (frame.IsAnyOpened())
        if (frmMain* doc = frame.activeDocument()) doc->ApplySaveSettings();
}

void alphaDisplayDialog(MDIMain& frame) {
    FrameSettings& s = frame.settings;
    frmDialog dlg(&frame);
    dlg.setWindowTitle(QStringLiteral("Alpha Display Settings"));
    dlg.AddControl(QStringLiteral("As Background Color"), !s.alphaDisplay, frmDialog::kOption);
    dlg.AddControl(QStringLiteral("As Checkered Background Image"), s.alphaDisplay,
                   frmDialog::kOption);
    dlg.AddControl(QStringLiteral("Background Color:"), s.backgroundColor, frmDialog::kColour);
    dlg.AddControl(QStringLiteral("Flatten Alpha on Save"), s.flattenAlpha, frmDialog::kCheck);
    platform::desktop().showModal(dlg);
    if (dlg.Cancelled) return;
    s.alphaDisplay = !dlg.optOption(0)->isChecked();
    s.backgroundColor = int32_t(dlg.colorValue(2));
    s.flattenAlpha = dlg.chkCheck(3)->isChecked();
}

void ditherErrorDialog(MDIMain& frame) {
    FrameSettings& s = frame.settings;
    frmDialog dlg(&frame);
    dlg.setWindowTitle(QStringLiteral("Max Dither Error"));
    dlg.AddControl(QStringLiteral("Dither Error (1 - 120):"), s.ditherError, frmDialog::kText);
    platform::desktop().showModal(dlg);
    if (dlg.Cancelled) return;
    s.ditherError = rowInt16(dlg, 0, s.ditherError);
}

} // namespace

void MDIMain::cmdSettings(int index) {
    switch (index) {
    case 0:
        return saveSettingsDialog(*this);
    case 1:
        return alphaDisplayDialog(*this);
    case 2:
        return ditherErrorDialog(*this);
    case 3: {
        QAction* item = menuItem(QStringLiteral("mnuSettings"), 3);
        // The item toggled its own check when chosen; the variable follows it.
        settings.doubleBuffer = item->isChecked();
        for (int k = 0; k < Documents.size(); ++k)
            if (DocumentInUse.value(k) && Documents[k])
                Documents[k]->Pix->setDoubleBuffer(settings.doubleBuffer);
        return;
    }
    default:
        return;
    }
}

void MDIMain::cmdAntialias(int) {
    // The item has already toggled its check: the active document takes the new state.
    QAction* item = menuItem(QStringLiteral("mnuAntialias"));
    if (frmMain* doc = activeDocument()) doc->Pix->setAntialiasDisplay(item->isChecked());
}
