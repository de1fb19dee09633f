#pragma once

#include <QString>

// The folder of the picture saved last, kept per user between runs (the value "Previous" of
// Kelmar/Framegrove), so that every save dialog opens where the last save went.

// The folder part of a full file name: everything up to and including its last "/"; empty when
// it has none.
QString folderPartOf(const QString& fileName);

// The stored folder, or empty when none was stored yet.
QString ReadLastUsedFolder();

// Stores the folder part of `fileName`; a store that cannot be written is logged.
void WriteLastUsedFolder(const QString& fileName);
