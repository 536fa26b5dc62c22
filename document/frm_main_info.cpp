// The information windows of the document: the histogram window and the metadata commands.
#include "frm_main.h"

#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_histogram.h"

void frmMain::DemosHistogram() {
    // The window's state decides: the menu item may have toggled its own check already.
    frmHistogram& window = frmHistogram::instance();
    const bool show = !window.isVisible();
    host_.setItemChecked(QStringLiteral("mnuDemosHistogram"), show);
    if (show)
        window.show();
    else
        window.close();
    window.drawHistogram(Pix->image().image());
}
