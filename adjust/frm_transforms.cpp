#include "frm_transforms.h"

#include "catalogue/dispatch.h"
#include "catalogue/transforms_catalogue.h"
#include "document/file_formats.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Design geometry in twips: label and value columns, the first row's top, the row gap.
constexpr int kLabelLeft = 120, kLabelWidth = 1800;
constexpr int kTextLeft = 2040, kTextWidth = 1500, kRowHeight = 315;
constexpr int kFirstTop = 120, kRowGap = 60;
constexpr int kButtonWidth = 1100, kButtonHeight = 375;
constexpr int kClientWidth = 3700;

// The panel's rows as the source of the entry's values: the style list's position, the text
// rows converted strictly (a text that is no number is refused), the bump map's file.
class PanelSource : public catalogue::ParameterSource {
public:
    PanelSource(const frmTransforms& panel, const QString& bumpPath)
        : panel_(panel), bumpPath_(bumpPath) {}
    bool fill(const catalogue::Entry& entry, catalogue::Values& values) override {
        int text = 1;
        for (int k = 0; k < values.size(); ++k) {
            switch (entry.rows[size_t(k)].kind) {
            case catalogue::RowKind::List:
                values[k].position = panel_.cmbStyle->currentIndex();
                break;
            case catalogue::RowKind::File:
                values[k].text = bumpPath_;
                break;
            default: {
                const QString s = panel_.txtValue(text++)->text();
                if (!vb::isNumeric(s))
                    throw pix::PixError(13, QStringLiteral("Type mismatch"),
                                        QStringLiteral("Transform"));
                // A number beyond a double's range would otherwise read as 0.
                bool fits = false;
                s.trimmed().toDouble(&fits);
                if (!fits)
                    throw pix::PixError(vb::OverflowError::kNumber, QStringLiteral("Overflow"),
                                        QStringLiteral("Transform"));
                values[k].text = s;
            }
            }
        }
        return true;
    }

private:
    const frmTransforms& panel_;
    QString bumpPath_;
};

} // namespace

frmTransforms::frmTransforms(QWidget* document, QWidget* owner)
    : QDialog(owner), document_(document) {
    setWindowTitle(QStringLiteral("Transform"));
    setModal(false);
    tpp_ = platform::desktop().twipsPerPixel();
    auto px = [this](int twips) { return vb::twipsToPixels(twips, tpp_); };

    labels_.push_back(new QLabel(this));
    labels_[0]->setObjectName(QStringLiteral("lblValue(0)"));
    labels_[0]->setGeometry(px(kLabelLeft), px(kFirstTop), px(kLabelWidth), px(kRowHeight));
    labels_[0]->hide();
    texts_.push_back(new QLineEdit(QStringLiteral("0"), this));
    texts_[0]->setObjectName(QStringLiteral("txtValue(0)"));
    texts_[0]->setGeometry(px(kTextLeft), px(kFirstTop), px(kTextWidth), px(kRowHeight));
    texts_[0]->hide();
    cmbStyle = new QComboBox(this);
    cmbStyle->setObjectName(QStringLiteral("cmbStyle"));
    cmbStyle->setGeometry(texts_[0]->geometry());
    cmbStyle->hide();

    auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdApply = button("Apply", "cmdApply");
    cmdUndo = button("Undo", "cmdUndo");
    cmdOK = button("Close", "cmdOK");
    cmdCancel = button("Cancel", "cmdCancel");
    connect(cmdApply, &QPushButton::clicked, this, &frmTransforms::apply);
    connect(cmdUndo, &QPushButton::clicked, this, &frmTransforms::undo);
    // Close and Cancel both unload the panel; what was applied stays (Undo takes it back).
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    layoutButtons();
}

frmTransforms::~frmTransforms() = default;

void frmTransforms::setPix(pix::PixImage* image) {
    if (pix_) disconnect(pix_, nullptr, this, nullptr);
    pix_ = image;
    // The document's image goes with its window: the panel has nothing left to change.
    if (image) connect(image, &QObject::destroyed, this, &QDialog::close);
    cmdApply->setEnabled(image != nullptr);
    cmdUndo->setEnabled(image != nullptr);
}

QLabel* frmTransforms::lblValue(int i) const {
    return i >= 0 && i < int(labels_.size()) ? labels_[size_t(i)] : nullptr;
}

QLineEdit* frmTransforms::txtValue(int i) const {
    return i >= 0 && i < int(texts_.size()) ? texts_[size_t(i)] : nullptr;
}

void frmTransforms::setTransformType(const QString& name) {
    // Unload the run-time rows, highest first, and hide the style list.
    while (texts_.size() > 1) {
        delete texts_.back();
        texts_.pop_back();
        delete labels_.back();
        labels_.pop_back();
    }
    cmbStyle->hide();
    cmbStyle->clear();
    labels_[0]->hide();
    bumpPath_.clear();
    cmdApply->setEnabled(pix_ != nullptr);

    name_ = catalogue::transformName(name);
    const catalogue::Entry* entry = catalogue::findTransform(name_);
    if (entry) {
        bool bump = false;
        for (const catalogue::Row& row : entry->rows) {
            switch (row.kind) {
            case catalogue::RowKind::List:
                cmbStyle->addItems(row.items);
                cmbStyle->setCurrentIndex(0);
                cmbStyle->show();
                labels_[0]->setText(row.caption);
                labels_[0]->show();
                break;
            case catalogue::RowKind::File:
                bump = true;
                break;
            default:
                AddValue(row.caption, row.text);
            }
        }
        layoutButtons();
        if (bump) chooseBumpMap();
    } else {
        layoutButtons();
    }
}

void frmTransforms::AddValue(const QString& caption, const QString& initial) {
    const int n = int(texts_.size());
    // Row 0 counts for the layout only when the style list shows there.
    const QWidget* above = n == 1 && !cmbStyle->isVisibleTo(this) ? nullptr : texts_[size_t(n - 1)];
    const int top =
        above ? above->y() + above->height() + vb::twipsToPixels(kRowGap, tpp_) : texts_[0]->y();
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("lblValue(%1)").arg(n));
    label->setGeometry(labels_[0]->x(), top, labels_[0]->width(), labels_[0]->height());
    auto* text = new QLineEdit(initial, this);
    text->setObjectName(QStringLiteral("txtValue(%1)").arg(n));
    text->setGeometry(texts_[0]->x(), top, texts_[0]->width(), texts_[0]->height());
    labels_.push_back(label);
    texts_.push_back(text);
    label->show();
    text->show();
}

void frmTransforms::layoutButtons() {
    auto px = [this](int twips) { return vb::twipsToPixels(twips, tpp_); };
    const QWidget* last = texts_.size() > 1 ? texts_.back() : texts_[0];
    const int top = last->y() + last->height() + px(240);
    const int gap = px(120), w = px(kButtonWidth), h = px(kButtonHeight);
    QPushButton* row[] = {cmdApply, cmdUndo, cmdOK, cmdCancel};
    for (int i = 0; i < 4; ++i)
        row[i]->setGeometry(px(kLabelLeft) + (i % 2) * (w + gap), top + (i / 2) * (h + gap), w, h);
    setFixedSize(std::max(px(kClientWidth), px(kLabelLeft) * 2 + 2 * w + gap),
                 top + 2 * (h + gap) + px(120));
}

void frmTransforms::chooseBumpMap() {
    platform::messageBox(QStringLiteral("Select bump map image from file"));
    platform::FileRequest request;
    request.title = QStringLiteral("Open");
    request.filter = fileformats::kOpenFilter;
    const platform::FileAnswer answer = platform::desktop().openFile(request);
    QString problem;
    if (!answer.accepted || answer.fileName.isEmpty()) {
        problem = QStringLiteral("No bump map image was chosen, so Apply stays off. Choose Bump "
                                 "Map again to pick an image.");
    } else {
        // The image must load now, so that Apply never works from an empty bump map.
        try {
            pix::PixImage bump;
            bump.LoadFromFile(answer.fileName, QStringLiteral("No Undo"));
            if (bump.IsEmpty()) problem = QStringLiteral("The bump map image is empty.");
        } catch (const pix::PixError& e) {
            problem = e.description();
        }
        if (!problem.isEmpty())
            problem = QStringLiteral("%1 cannot serve as the bump map: %2 Apply stays off.")
                          .arg(answer.fileName, problem);
    }
    if (!problem.isEmpty()) {
        cmdApply->setEnabled(false);
        platform::messageBox(problem);
        return;
    }
    bumpPath_ = answer.fileName;
}

void frmTransforms::apply() {
    const catalogue::Entry* entry = catalogue::findTransform(name_);
    if (!pix_ || !entry || applying_) return;
    applying_ = true;
    PanelSource source(*this, bumpPath_);
    const catalogue::RunResult result = catalogue::runFound(*entry, *pix_, source);
    applying_ = false;
    frmProgress::instance().finish(document_);
    if (result.error) platform::messageBox(result.error->description());
}

void frmTransforms::undo() {
    if (!pix_) return;
    try {
        pix_->UndoStep();
    } catch (const pix::PixError& e) {
        platform::messageBox(e.description());
    }
}

frmTransforms* showTransforms(pix::PixImage& image, QWidget* document, QWidget* owner,
                              const QString& caption) {
    auto* panel = new frmTransforms(document, owner);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setPix(&image);
    panel->setTransformType(caption);
    panel->show();
    return panel;
}
