#include "shell/FileMessages.h"

#include "files/FileAccess.h"
#include "files/PrintableName.h"
#include "platform/Messages.h"
#include "shell/frmOptions.h"

#include <QFile>
#include <QFileInfo>

namespace vtt {

bool saveDocument(DocumentSession& session, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return false;
    // The typed extension decides; the filter only for a name without one.
    const ImageFormat own = session.document().Facts.Kind.value_or(ImageFormat::Tex);
    const auto [path, format] = saveTarget(QFile::encodeName(choice->path).toStdString(), choice->filterIndex, own);
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
    // As Tools > Options sets it at the moment of the save.
    values.mipFilter = loadOptions(platform).mipFilter;

    // Another file is replaced only when the user says so.
    const QFileInfo existing(QFile::decodeName(QByteArray::fromStdString(path)));
    if ((existing.exists() || existing.isSymLink()) && !session.isOwnFile(path)
        && !platform.askYesNo(parent, QStringLiteral("%1 already exists. Replace it?")
                                          .arg(QString::fromStdString(printableName(nameOf(path))))))
        return false;

    if (const auto error = session.save(path, format, values)) {
        // The historical text of a TEX type that cannot be written stands
        // alone, in a plain box.
        if (error->kind == ErrorKind::TexTypeMessage)
            return fail(error->detail, MessageStyle::Plain);
        return fail(cannotSave(*error), MessageStyle::Stop);
    }
    platform.rememberFile({QFile::decodeName(QByteArray::fromStdString(path)), filterForFormat(format)});
    return true;
}

void reportOpenFailure(Platform& platform, QWidget* parent, const QString& path, const Error& error, bool reload)
{
    if (reload)
        platform.messageBox(parent,
                            QStringLiteral("%1 changed on disk but could not be read again: %2. The document "
                                           "stays as it was.")
                                .arg(QString::fromStdString(printableName(QFile::encodeName(path).toStdString())),
                                     QString::fromStdString(error.detail)),
                            MessageStyle::Stop);
    else if (error.kind == ErrorKind::UnsupportedTexType)
        platform.messageBox(parent,
                            QStringLiteral("You have opend a tex file whit unsupported type so please email the "
                                           "filename to the author"),
                            MessageStyle::Stop, QStringLiteral("Error"));
    else
        platform.messageBox(parent, QString::fromStdString(cannotOpen(error)), MessageStyle::Stop);
}

void reportEditOutOfMemory(Platform& platform, QWidget* parent, const ImageDocument& doc, const char* editName)
{
    platform.messageBox(parent,
                        QStringLiteral("%1: not enough memory for %2 of a %3 x %4 image; it stays as it was.")
                            .arg(QString::fromStdString(printableName(doc.Facts.FileName)), QLatin1String(editName))
                            .arg(doc.ImageWidth())
                            .arg(doc.ImageHeight()),
                        MessageStyle::Stop);
}

bool askDropAlpha(Platform& platform, QWidget* parent, const ImageDocument& doc)
{
    return platform.askYesNo(parent, QStringLiteral("Some pixels of %1 are not opaque. RGB drops their alpha (Undo "
                                                    "brings it back). Drop it?")
                                         .arg(QString::fromStdString(printableName(doc.Facts.FileName))));
}

void reportEditFailure(Platform& platform, QWidget* parent, const ImageDocument& doc, const char* editName,
                       const Error& error)
{
    if (error.kind == ErrorKind::OutOfMemory)
        return reportEditOutOfMemory(platform, parent, doc, editName);
    platform.messageBox(parent,
                        QStringLiteral("%1: %2 could not be done: %3. The image stays as it was.")
                            .arg(QString::fromStdString(printableName(doc.Facts.FileName)), QLatin1String(editName),
                                 QString::fromStdString(problemOf(error))),
                        MessageStyle::Stop);
}

} // namespace vtt
