#pragma once

#include "document/ImageDocument.h"
#include "operations/Command.h"
#include "platform/Platform.h"

#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QWindow;

namespace vtt {

class SwatchLabel;

// The palette window: 256 swatches over the document's palette, a colour
// picker per swatch and OK to write the colours back. Deletes itself when
// closed (Cancel or the close box); the palette is only ever written by OK,
// which issues one palette command (one step of the edit history).
// Load and Save move the swatches' colours from and to palette files.
class frmPallet : public QWidget {
    Q_OBJECT
public:
    frmPallet(const ImageDocument& doc, IssueCommand issue, Platform& platform, QWidget* parent = nullptr);

    // An image without a palette has nothing here to edit: the window says
    // so in place of the swatches, and only Cancel stays. Run whenever the
    // document may have changed.
    void showPaletteState();

protected:
    bool event(QEvent* event) override;

private:
    void Form_Activate();
    void lblPallet_Click(int Index);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdLoad_Click();
    void cmdSave_Click();

    void otherWindowFocused(QWindow* window);
    bool hasPalette() const;

    const ImageDocument& doc_;
    IssueCommand issue_;
    Platform& platform_;

    std::array<SwatchLabel*, PaletteEntries> lblPallet{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdSave = nullptr;
    QLabel* lblNoPallet = nullptr;

    // The picker and the palette file dialogs take the activation and hand it
    // back when they close; that return must not refill the swatches and
    // lose the colour just picked or the palette just loaded.
    template <class Use>
    void withPaletteFile(bool save, Use use);
    bool picking_ = false;        // inside the picker or a file dialog
    bool pickerWasActive_ = false; // that dialog took the activation and this window has not had it back
};

} // namespace vtt
