// CRegister: a small hierarchical key/value store with the operations of a system settings
// database (sections under a root, named text values, a default value, sub-key listing), kept in
// one text file in the user's configuration folder.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Root handles of the settings database.
enum Hive : uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

class CRegister {
public:
    // Uses the store file in the user's configuration folder.
    CRegister();
    // Uses the given store file (tests).
    explicit CRegister(const QString& storeFile);

    // The stored value, else defaultValue. Key "*" is the section's unnamed default value.
    QString REGGetSetting(uint32_t hive, const QString& section, const QString& key,
                          const QString& defaultValue = QString()) const;
    // Stores a text value (creating the section); true when stored on disk.
    bool REGSaveSetting(uint32_t hive, const QString& section, const QString& key,
                        const QString& value);
    // With a key: deletes that value. Without: deletes the section, which must have no sub-keys.
    bool REGDeleteSetting(uint32_t hive, const QString& section, const QString& key = QString());
    // Names of the direct sub-keys of path, in order; empty when none.
    QStringList GetAllKeys(uint32_t hive, const QString& path) const;

    const QString& storeFile() const { return file_; }
    static QString defaultStoreFile();

    // Section argument as used: one leading and one trailing "\" removed.
    static QString normaliseSection(const QString& section);

private:
    QString file_;
};
