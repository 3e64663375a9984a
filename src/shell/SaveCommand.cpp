#include "shell/SaveCommand.h"

#include "codecs/SaveConversion.h"
#include "platform/SaveFile.h"

#include <limits>

namespace vtt {

namespace {

// Worded like the open command's failures, so both read alike.
QString cannotSave(const QString& path, const QString& problem)
{
    return QStringLiteral("Could not save \"%1\": %2.").arg(path, problem);
}

// A box's text as a whole number in [low, high]; empty counts as 0. Returns
// the problem when it is not one.
template <typename T>
std::optional<QString> parseBox(const QString& text, const QString& label, T& value)
{
    constexpr qlonglong low = std::numeric_limits<T>::min();
    constexpr qlonglong high = std::numeric_limits<T>::max();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        value = 0;
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong number = trimmed.toLongLong(&ok, 10);
    if (!ok || number < low || number > high)
        // One pass over the pattern, so a % in the box's text stays as typed.
        return QStringLiteral("the %1 box must hold a whole number from %2 to %3, not \"%4\"")
            .arg(label, QString::number(low), QString::number(high), text);
    value = static_cast<T>(number);
    return std::nullopt;
}

std::optional<QString> parsePanel(const HeaderPanelTexts& panel, TexPanelValues& values)
{
    if (auto problem = parseBox(panel.mips, QStringLiteral("Mips"), values.mipCount))
        return problem;
    if (auto problem = parseBox(panel.unknown, QStringLiteral("Unknown"), values.unknown))
        return problem;
    return parseBox(panel.bits, QStringLiteral("Bits"), values.bits);
}

} // namespace

void saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel)
{
    const std::optional<FileChoice> choice = platform.showSave(parent);
    if (!choice)
        return;
    const QString path = choice->path;
    doc.FileName = path.toStdString();
    const SaveFormat format = choice->filterIndex == TexFilterIndex ? SaveFormat::Tex : SaveFormat::Tga;

    // Only a TEX file carries these boxes, so only a TEX save is refused
    // for them.
    TexPanelValues values;
    if (format == SaveFormat::Tex) {
        if (auto problem = parsePanel(panel, values)) {
            platform.messageBox(parent, cannotSave(path, *problem), MessageStyle::Stop);
            return;
        }
    }

    const SaveFields before = saveFieldsOf(doc);
    const WriteResult encoded = encodeForSave(doc, format, values);
    if (!encoded.ok()) {
        const WriteError& error = encoded.error();
        if (error.kind == WriteFailure::TexTypeMessage)
            platform.messageBox(parent, QString::fromStdString(error.detail), MessageStyle::Plain);
        else
            platform.messageBox(parent, cannotSave(path, QString::fromStdString(error.detail)), MessageStyle::Stop);
        return;
    }

    if (auto problem = writeWholeFile(path, encoded.bytes())) {
        restoreSaveFields(doc, before);
        platform.messageBox(parent, cannotSave(path, *problem), MessageStyle::Stop);
    }
}

} // namespace vtt
