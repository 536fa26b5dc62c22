// The on-disk form of the settings store: "[ROOT\path]" lines followed by "name=value" lines.
// Values escape "\", line breaks and "="; the unnamed default value is written as "@".
#pragma once

#include <QMap>
#include <QString>

struct SettingsKey {
    QString path;                                  // as first written, e.g. HKLM\SOFTWARE\Corvane
    QMap<QString, QPair<QString, QString>> values; // lower-case name -> (name, value)
};

// Keys by lower-case path (the store is case-insensitive like the system database).
using SettingsTree = QMap<QString, SettingsKey>;

// Reads the file; a missing, unreadable or corrupt file gives an empty tree (ok = false when
// the file existed but could not be used).
SettingsTree readSettingsFile(const QString& file, bool* ok = nullptr);
// Writes atomically (temporary file, then rename); false on failure, the old file kept.
bool writeSettingsFile(const QString& file, const SettingsTree& tree);
