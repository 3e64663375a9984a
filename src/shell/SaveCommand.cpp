#include "shell/SaveCommand.h"

#include "files/FileCommands.h"
#include "platform/Messages.h"

#include <QFile>

namespace vtt {

bool saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel,
                  FileSnapshot* written)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return false;
    const std::string path = QFile::encodeName(choice->path).toStdString();
    const ImageFormat format = formatForFilter(choice->filterIndex);
    const auto fail = [&](const std::string& message, MessageStyle style) {
        platform.messageBox(parent, QString::fromStdString(message), style);
        return false;
    };

    // Only a TEX file carries these boxes, so only a TEX save is refused
    // for them.
    TexPanelValues values;
    if (formatEntry(format).texFields) {
        auto parsed = parseTexPanel(panel.mips.toStdString(), panel.unknown.toStdString(), panel.bits.toStdString());
        if (!parsed)
            return fail(cannotSave(path, problemOf(parsed.error())), MessageStyle::Stop);
        values = *parsed;
    }

    const auto saved = saveImage(doc, path, format, values, written);
    if (!saved) {
        // The historical text of a TEX type that cannot be written stands
        // alone, in a plain box.
        const Error& error = saved.error();
        if (error.kind == ErrorKind::TexTypeMessage)
            return fail(error.detail, MessageStyle::Plain);
        return fail(cannotSave(error), MessageStyle::Stop);
    }
    // The document takes the new name only with the file: a failed save
    // leaves it named after the file it still matches.
    doc.Facts.FileName = path;
    if (auto applied = applySaveChanges(doc, *saved); !applied) // never: the changes come from this document
        return fail(cannotSave(path, applied.error().detail), MessageStyle::Stop);
    return true;
}

} // namespace vtt
