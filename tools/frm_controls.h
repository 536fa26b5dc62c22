// frmControls: the tool palette — one strip of settings per tool (the text tool's font
// controls, the zoom field, the picked colour, the drawing-setup buttons), shown for the
// current tool, and the value slider of its drop-down buttons. Application-wide; it acts on the
// frame's active document through the document host.
#pragma once

#include "document/text_style.h"

#include <QHash>
#include <QWidget>
#include <functional>

class DocumentHost;
class PaletteButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class frmSelector;

// One record of the drop-down value table.
struct DropDownValue {
    int16_t Min = 0, Max = 0;
    double Value = 0.0;
};

class frmControls : public QWidget {
    Q_OBJECT
public:
    // `setupMenu(item)` gives item `item` of the frame's Draw > Setup menu (a submenu).
    frmControls(DocumentHost& host, std::function<QMenu*(int item)> setupMenu, QWidget* parent);
    ~frmControls() override;

    static constexpr int kDropDowns = 11;
    // The application-wide value table, set to its initial records at start-up.
    static DropDownValue Values[kDropDowns];
    static void resetValues();

    // --- strips ----------------------------------------------------------------------------------
    QHash<int, QWidget*> DrawToolbar;
    // Hides the strip of the previous tool and shows the strip of `tool` (none when it has none).
    void showStrip(int tool);
    int shownStrip() const { return shown_; }
    // Right edge of the shown strip in the frame's tool bar (0 without one).
    int stripRight() const;

    // --- text strip ------------------------------------------------------------------------------
    QComboBox* lstFontSize = nullptr;
    QComboBox* lstFonts = nullptr;
    QComboBox* lstWeight = nullptr;
    QComboBox* lstAlign = nullptr;
    QLineEdit* txtAntialias = nullptr;
    QLineEdit* txtAlpha = nullptr;
    QToolButton* cmdBold = nullptr;
    QToolButton* cmdItalic = nullptr;
    QToolButton* cmdUnderline = nullptr;
    QToolButton* cmdStrikeOut = nullptr;
    PaletteButton* CmdButton[2] = {};
    TextStyle textStyle() const;
    void ApplyText();

    // --- pick colour, zoom, drop-downs
    // -------------------------------------------------------------
    QLabel* ColorPick = nullptr;
    QLabel* lblRed = nullptr;
    QLabel* lblGreen = nullptr;
    QLabel* lblBlue = nullptr;
    void showPickColour(uint32_t colour);
    QLineEdit* txtZoom = nullptr;
    PaletteButton* CmdDropDown[kDropDowns] = {};
    QLabel* lblSelector[kDropDowns] = {};
    bool DropDownDown[kDropDowns] = {};
    int OpenDropDown = -1;
    QString LastGoodText;
    void ClickDropDown(int index);
    void UnClickButton();
    void DrawButton(int index, bool down);
    // Slider to value for the drop-down the slider serves.
    void CalcPos();
    frmSelector& selector();

    // --- drawing-setup buttons
    // --------------------------------------------------------------------- By name and index, e.g.
    // "cmdThickness(7)".
    QHash<QString, PaletteButton*> settingButtons;
    // Line styles are offered for thin pens only.
    void setLineStyleEnabled(bool enabled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTextStrip(QWidget* strip);
    struct SettingButton;
    void addSettingButton(QWidget* strip, const SettingButton& kind, int index);
    // The numeric fields' rule: the last good text returns for a non-number or a value outside
    // 0..255.
    void checkNumeric(QLineEdit* field);
    void setValueCaption(int index);

    DocumentHost& host_;
    std::function<QMenu*(int)> setupMenu_;
    frmSelector* selector_ = nullptr;
    int shown_ = -1;
};
