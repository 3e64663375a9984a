#pragma once

#include "platform/Platform.h"

#include <QStringList>

namespace vtt {

// The files last opened or saved, newest first, kept in the platform's
// settings store so that they outlive the run.
class RecentFiles {
public:
    static constexpr int Longest = 8;

    explicit RecentFiles(Platform& platform) : platform_(platform) {}

    QStringList files() const;
    // To the front (absolute, once); the oldest beyond Longest drop off.
    void add(const QString& path);
    void remove(const QString& path);

private:
    void store(const QStringList& files);
    Platform& platform_;
};

} // namespace vtt
