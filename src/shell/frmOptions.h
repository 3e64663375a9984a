#pragma once

#include "codecs/MipFilters.h"
#include "operations/Quantize.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;
class QSpinBox;

namespace vtt {

class DocumentSession;
class Platform;

// What the Options window sets, kept in the settings store.
struct ToolOptions {
    static constexpr int DefaultUndoMiB = 512;
    static constexpr int LargestUndoMiB = 1 << 20; // a tebibyte

    // Box in stored values stays the default: files written before keep
    // their bytes.
    mip::MipFilter mipFilter = mip::MipFilter::BoxStored;
    // The Indexed dialog starts from this and stores its last choice here.
    quantize::Dither dither = quantize::Dither::None;
    int undoMiB = DefaultUndoMiB;
    bool operator==(const ToolOptions&) const = default;
};

// Unknown or missing values read as the defaults.
ToolOptions loadOptions(const Platform& platform);
void storeOptions(Platform& platform, const ToolOptions& options);
void storeDither(Platform& platform, quantize::Dither dither);
// Makes the options the session's: the undo bound of its history and the
// mip filter its TEX saves use.
void applyOptions(DocumentSession& session, const ToolOptions& options);

// The "Options" window: mip filter, dithering default, undo memory. OK
// stores the choice and hands it to `apply`; Cancel, Esc or the frame's
// close button leave everything as it was. Closing destroys it.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(Platform& platform, std::function<void(const ToolOptions&)> apply = {},
                        QWidget* parent = nullptr);

    ToolOptions chosen() const;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    Platform& platform_;
    std::function<void(const ToolOptions&)> apply_;
    QComboBox* cboMipFilter = nullptr;
    QComboBox* cboDither = nullptr;
    QSpinBox* spnUndoMemory = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Tools > Options: the window, window-modal over `parent`; OK applies the
// options to `session` at once.
void showOptions(QWidget* parent, Platform& platform, DocumentSession& session);

} // namespace vtt
