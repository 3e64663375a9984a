#include "shell/RecentFilesMenu.h"

#include "files/PrintableName.h"

#include <QFile>

namespace vtt {

namespace {

const QString RecentFilesKey = QStringLiteral("recentFiles");

} // namespace

std::vector<std::string> SettingsRecentFiles::load() const
{
    std::vector<std::string> files;
    for (const QString& name : platform_.setting(RecentFilesKey).toStringList())
        files.push_back(QFile::encodeName(name).toStdString());
    return files;
}

void SettingsRecentFiles::store(const std::vector<std::string>& files)
{
    QStringList names;
    for (const std::string& name : files)
        names << QFile::decodeName(QByteArray::fromStdString(name));
    platform_.setSetting(RecentFilesKey, names);
}

RecentFilesMenu::RecentFilesMenu(RecentFiles& files, std::function<void(const QString&)> open, QWidget* parent)
    : QMenu(QStringLiteral("&Recent Files"), parent), files_(files), open_(std::move(open))
{
    setObjectName(QStringLiteral("mnuRecent"));
    menuAction()->setObjectName(QStringLiteral("mnuRecent"));
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::fill);
    fill();
}

void RecentFilesMenu::fill()
{
    clear();
    const std::vector<std::string> files = files_.files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(files[i]));
        // Control bytes in a name are shown escaped (\x1b).
        QString caption = QString::fromStdString(printableName(files[i]));
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        action->setObjectName(QStringLiteral("mnuRecent_%1").arg(i));
        connect(action, &QAction::triggered, this, [this, path] { open_(path); });
    }
    if (files.empty())
        addAction(QStringLiteral("(none)"))->setEnabled(false);
}

} // namespace vtt
