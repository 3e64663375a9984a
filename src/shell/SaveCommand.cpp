#include "shell/SaveCommand.h"

#include "files/FileCommands.h"

#include <QFile>

namespace vtt {

void saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return;
    const std::string path = QFile::encodeName(choice->path).toStdString();
    doc.FileName = path;
    const FileFormat format = formatForFilter(choice->filterIndex);
    const auto fail = [&](const std::string& message, MessageStyle style) {
        platform.messageBox(parent, QString::fromStdString(message), style);
    };

    // Only a TEX file carries these boxes, so only a TEX save is refused
    // for them.
    TexPanelValues values;
    if (format == FileFormat::Tex) {
        if (auto problem = parseTexPanel(panel.mips.toStdString(), panel.unknown.toStdString(),
                                         panel.bits.toStdString(), values))
            return fail(cannotSave(path, *problem), MessageStyle::Stop);
    }

    const auto saved = saveImage(doc, path, format, values);
    if (!saved.ok())
        return fail(saved.error().message,
                    saved.error().kind == FileFailure::TexTypeMessage ? MessageStyle::Plain : MessageStyle::Stop);
    applySaveChanges(doc, saved.value());
}

} // namespace vtt
