#include "shell/SaveCommand.h"

#include "files/FileCommands.h"

#include <QFile>

namespace vtt {

bool saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel,
                  FileSnapshot* written)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return false;
    const std::string path = QFile::encodeName(choice->path).toStdString();
    const FileFormat format = formatForFilter(choice->filterIndex);
    const auto fail = [&](const std::string& message, MessageStyle style) {
        platform.messageBox(parent, QString::fromStdString(message), style);
        return false;
    };

    // Only a TEX file carries these boxes, so only a TEX save is refused
    // for them.
    TexPanelValues values;
    if (format == FileFormat::Tex) {
        if (auto problem = parseTexPanel(panel.mips.toStdString(), panel.unknown.toStdString(),
                                         panel.bits.toStdString(), values))
            return fail(cannotSave(path, *problem), MessageStyle::Stop);
    }

    const auto saved = saveImage(doc, path, format, values, written);
    if (!saved.ok())
        return fail(saved.error().message,
                    saved.error().kind == FileFailure::TexTypeMessage ? MessageStyle::Plain : MessageStyle::Stop);
    // The document takes the new name only with the file: a failed save
    // leaves it named after the file it still matches.
    doc.FileName = path;
    applySaveChanges(doc, saved.value());
    return true;
}

} // namespace vtt
