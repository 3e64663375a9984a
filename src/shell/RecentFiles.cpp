#include "shell/RecentFiles.h"

#include <QFileInfo>

namespace vtt {

namespace {

const QString RecentFilesKey = QStringLiteral("recentFiles");

} // namespace

QStringList RecentFiles::files() const
{
    // A store edited by hand may hold anything: keep only non-empty names.
    QStringList files = platform_.setting(RecentFilesKey).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    return files.mid(0, Longest);
}

void RecentFiles::add(const QString& path)
{
    // Absolute, so that a name given relative to the start folder still
    // finds its file next time.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(absolute);
    list.prepend(absolute);
    store(list.mid(0, Longest));
}

void RecentFiles::remove(const QString& path)
{
    QStringList list = files();
    list.removeAll(path);
    store(list);
}

void RecentFiles::store(const QStringList& files) { platform_.setSetting(RecentFilesKey, files); }

} // namespace vtt
