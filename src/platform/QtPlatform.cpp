#include "platform/QtPlatform.h"

#include "widgets/ColourValue.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace vtt {

std::optional<FileChoice> QtPlatform::runFileDialog(QWidget* parent, bool save, const FileChoice& start)
{
    const QStringList filters = fileFilters();
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The dialog adds no suffix and asks nothing about an existing file: the
    // Save command adds the filter's extension to a name without a known one
    // and asks before it replaces a file other than the document's own.
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

std::optional<QString> QtPlatform::choosePaletteFile(QWidget* parent, bool save)
{
    static QString last; // the folder and name chosen last, for the next use
    const QStringList filters = {QStringLiteral("Pal Files (*.pal)"), QStringLiteral("Gpl Files (*.gpl)"),
                                 QStringLiteral("Act Files (*.act)")};
    const QStringList suffixes = {QStringLiteral("pal"), QStringLiteral("gpl"), QStringLiteral("act")};
    QFileDialog dialog(parent, save ? QStringLiteral("Save Pallet") : QStringLiteral("Load Pallet"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(save ? filters
                               : QStringList{QStringLiteral("Palette Files (*.pal *.gpl *.act)") } + filters
                                     + QStringList{QStringLiteral("All Files (*)")});
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString path = dialog.selectedFiles().constFirst();
    const auto chosen = filters.indexOf(dialog.selectedNameFilter());
    if (save && chosen >= 0 && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffixes.at(chosen);
    last = path;
    return path;
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

SaveAnswer QtPlatform::askSaveChanges(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(ProgramTitle);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

bool QtPlatform::askYesNo(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, ProgramTitle, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

// One store per user and program: ~/.config/Vellicor/Vellicor Texture Tool.ini
// on Linux (XDG_CONFIG_HOME is honoured, which keeps scripted runs away from
// the user's own).
static QSettings& store()
{
    static QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vellicor"),
                              QStringLiteral("Vellicor Texture Tool"));
    return settings;
}

QVariant QtPlatform::setting(const QString& key) const { return store().value(key); }

void QtPlatform::setSetting(const QString& key, const QVariant& value) { store().setValue(key, value); }

void QtPlatform::endProgram()
{
    // Windows are destroyed when main returns; no close event asks anything.
    QCoreApplication::exit(0);
}

} // namespace vtt
