#pragma once

#include "files/ImageFacts.h"

#include <QWidget>

class QFormLayout;

namespace vtt {

// The "Image Information" window: what a modder asks about the document,
// one line of label and value each, refilled whenever the document changes.
class frmImageInfo : public QWidget {
    Q_OBJECT
public:
    explicit frmImageInfo(QWidget* parent = nullptr);

    void showFacts(const FactLines& facts);
    // The lines shown, "Label: value" each.
    QStringList shownFacts() const;

private:
    void fitContent();

    QFormLayout* form_ = nullptr;
};

} // namespace vtt
