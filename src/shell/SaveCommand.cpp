#include "shell/SaveCommand.h"

#include "files/FileCommands.h"

#include <QFile>

namespace vtt {

bool saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return false;
    const std::string path = QFile::encodeName(choice->path).toStdString();
    const FileFormat format = choice->filterIndex == TexFilterIndex ? FileFormat::Tex : FileFormat::Tga;
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

    const auto saved = saveImage(doc, path, format, values);
    if (!saved.ok())
        return fail(saved.error().message,
                    saved.error().kind == FileFailure::TexTypeMessage ? MessageStyle::Plain : MessageStyle::Stop);
    // The document names its file only once there is one.
    doc.FileName = path;
    applySaveChanges(doc, saved.value());
    return true;
}

} // namespace vtt
