#include "platform/QtPlatform.h"

#include "widgets/ColourValue.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace vtt {

std::optional<FileChoice> QtPlatform::runFileDialog(QWidget* parent, bool save, const FileChoice& start)
{
    const QStringList filters = fileFilters();
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The saved file keeps exactly the name typed: no suffix is added, and
    // like the historical dialog it asks nothing about an existing file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(filters);
    const int index = start.filterIndex >= 1 && start.filterIndex <= filters.size() ? start.filterIndex : 1;
    dialog.selectNameFilter(filters.at(index - 1));
    if (!start.path.isEmpty())
        dialog.selectFile(start.path);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return FileChoice{dialog.selectedFiles().constFirst(), chosen >= 0 ? chosen + 1 : index};
}

std::optional<std::int32_t> QtPlatform::pickColour(QWidget* parent, std::int32_t start)
{
    const QColor picked = QColorDialog::getColor(QColor(redOf(start), greenOf(start), blueOf(start)), parent);
    if (!picked.isValid())
        return std::nullopt;
    return colourValue(static_cast<std::uint8_t>(picked.red()), static_cast<std::uint8_t>(picked.green()),
                       static_cast<std::uint8_t>(picked.blue()));
}

void QtPlatform::messageBox(QWidget* parent, const QString& text, MessageStyle style, const QString& title)
{
    QMessageBox box(parent);
    box.setWindowTitle(titleOrProgram(title));
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (style) {
    case MessageStyle::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageStyle::Information: box.setIcon(QMessageBox::Information); break;
    case MessageStyle::Plain: box.setIcon(QMessageBox::NoIcon); break;
    }
    box.exec();
}

void QtPlatform::endProgram()
{
    // Windows are destroyed when main returns; no close event asks anything.
    QCoreApplication::exit(0);
}

} // namespace vtt
