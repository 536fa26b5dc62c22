// frmTransforms ("Transform"): the non-modal panel of the distortions. It builds one text row per
// argument of the chosen distortion from the Transforms table (a style list above them where the
// distortion has one) and applies the distortion to the document's engine image each time Apply
// is pressed, one undo step each. It follows its image: when the image goes with its document,
// the panel closes.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pix {
class PixImage;
}

class frmTransforms : public QDialog {
    Q_OBJECT
public:
    // `document` is the window whose progress reports the distortions make.
    frmTransforms(QWidget* document, QWidget* owner);
    ~frmTransforms() override;

    // The engine image the distortions change (the document window's own).
    void setPix(pix::PixImage* image);
    pix::PixImage* Pix() const { return pix_; }
    // Chooses the distortion by name (any "..." is dropped) and rebuilds the rows.
    void setTransformType(const QString& name);
    const QString& TransformType() const { return name_; }

    // Row i's caption and value; row 0 is the style list's caption and the hidden template.
    QLabel* lblValue(int i) const;
    QLineEdit* txtValue(int i) const;
    int valueCount() const { return int(texts_.size()); }

    QComboBox* cmbStyle = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void AddValue(const QString& caption, const QString& initial);
    void chooseBumpMap();
    void apply();
    void undo();
    void layoutButtons();

    QPointer<pix::PixImage> pix_;
    QPointer<QWidget> document_;
    QString name_;
    std::vector<QLabel*> labels_;
    std::vector<QLineEdit*> texts_;
    QString bumpPath_; // the bump map image file, checked readable when chosen
    bool applying_ = false;
    double tpp_ = 15.0;
};

// Opens a panel for the distortion of menu caption `caption` on `image`, owned by `owner`.
frmTransforms* showTransforms(pix::PixImage& image, QWidget* document, QWidget* owner,
                              const QString& caption);
