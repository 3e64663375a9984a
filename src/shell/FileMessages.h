#pragma once

#include "files/DocumentSession.h"
#include "platform/Platform.h"

#include <QString>

class QWidget;

namespace vtt {

// The header panel's editable boxes as they stand when Save is chosen.
struct HeaderPanelTexts {
    QString mips;
    QString unknown;
    QString bits;
};

// The whole Save command: dialog, the boxes' check, the write through the
// session, messages. True when a file was written.
bool saveDocument(DocumentSession& session, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel);

// The message for a file that could not be opened (or, on a reload, read
// again); the document stays as it was.
void reportOpenFailure(Platform& platform, QWidget* parent, const QString& path, const Error& error, bool reload);

// An edit, undo or redo that memory could not hold: the document stays.
void reportEditOutOfMemory(Platform& platform, QWidget* parent, const ImageDocument& doc, const char* editName);

// Before RGB drops alpha that some pixel uses: true when the user agrees.
bool askDropAlpha(Platform& platform, QWidget* parent, const ImageDocument& doc);

// An edit the core refused: the document stays as it was.
void reportEditFailure(Platform& platform, QWidget* parent, const ImageDocument& doc, const char* editName,
                       const Error& error);

} // namespace vtt
