// The main window's ways to a file besides the Open dialog: dropped files
// and the folder's next and previous image; and what every open ends with.
#include "shell/frmSkelvo.h"

#include "files/FolderNeighbours.h"
#include "files/PrintableName.h"
#include "palette/frmPallet.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>

namespace vtt {

void frmSkelvo::documentOpened(const QString& path, ImageFormat format, bool reload)
{
    const ImageDocument& doc = session_.document();
    if (formatEntry(format).texFields)
        panel_->showFileFields(doc);
    else
        panel_->markUnchanged();
    panel_->showDocument(doc);
    // Save then starts from this file and its format, whichever way it came.
    if (!reload)
        platform_.rememberFile({QFileInfo(path).absoluteFilePath(), filterForFormat(format)});
    if (pallet_)
        pallet_->showPaletteState();
}

void frmSkelvo::openNeighbour(int step)
{
    const std::string& own = session_.document().Facts.FileName;
    if (own.empty())
        return;
    const auto found = neighbourFile(own, step);
    if (!found) {
        platform_.messageBox(this,
                             QString::fromStdString("Could not list the folder \"" + printableName(found.error().subject)
                                                    + "\": " + found.error().detail + "."),
                             MessageStyle::Stop);
        return;
    }
    if (!found.value()) {
        QApplication::beep(); // no image past this end
        return;
    }
    openNamed(QFile::decodeName(QByteArray::fromStdString(*found.value())));
}

void frmSkelvo::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void frmSkelvo::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    openNamed(urls.front().toLocalFile());
}

} // namespace vtt
