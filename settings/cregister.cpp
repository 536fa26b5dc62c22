#include "cregister.h"

#include "settings_file.h"

#include <QStandardPaths>

namespace {

struct HiveName {
    uint32_t hive;
    const char* name;
};
constexpr HiveName kHives[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

QString hiveName(uint32_t hive) {
    for (const HiveName& h : kHives)
        if (h.hive == hive) return QString::fromLatin1(h.name);
    return QStringLiteral("HIVE_%1").arg(hive, 8, 16, QLatin1Char('0'));
}

QString fullPath(uint32_t hive, const QString& section) {
    const QString s = CRegister::normaliseSection(section);
    return s.isEmpty() ? hiveName(hive) : hiveName(hive) + QLatin1Char('\\') + s;
}

// "*" names the unnamed default value.
QString valueName(const QString& key) {
    return key == QLatin1String("*") ? QString() : key;
}

} // namespace

CRegister::CRegister() : file_(defaultStoreFile()) {}
CRegister::CRegister(const QString& storeFile) : file_(storeFile) {}

QString CRegister::defaultStoreFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/settings.reg");
}

QString CRegister::normaliseSection(const QString& section) {
    QString s = section;
    if (s.startsWith(QLatin1Char('\\'))) s.remove(0, 1);
    if (s.endsWith(QLatin1Char('\\'))) s.chop(1);
    return s;
}

QString CRegister::REGGetSetting(uint32_t hive, const QString& section, const QString& key,
                                 const QString& defaultValue) const {
    const SettingsTree tree = readSettingsFile(file_);
    const auto k = tree.constFind(fullPath(hive, section).toLower());
    if (k == tree.constEnd()) return defaultValue;
    const auto v = k->values.constFind(valueName(key).toLower());
    if (v == k->values.constEnd() || v->second.isEmpty()) return defaultValue;
    return v->second;
}

bool CRegister::REGSaveSetting(uint32_t hive, const QString& section, const QString& key,
                               const QString& value) {
    bool ok = true;
    SettingsTree tree = readSettingsFile(file_, &ok); // a corrupt store is replaced
    const QString path = fullPath(hive, section);
    SettingsKey& k = tree[path.toLower()];
    if (k.path.isEmpty()) k.path = path;
    const QString name = valueName(key);
    k.values.insert(name.toLower(), qMakePair(name, value));
    return writeSettingsFile(file_, tree);
}

bool CRegister::REGDeleteSetting(uint32_t hive, const QString& section, const QString& key) {
    SettingsTree tree = readSettingsFile(file_);
    const QString path = fullPath(hive, section).toLower();
    auto k = tree.find(path);
    if (k == tree.end()) return false;
    if (!key.isEmpty()) {
        if (k->values.remove(valueName(key).toLower()) == 0) return false;
    } else {
        const QString prefix = path + QLatin1Char('\\');
        for (auto it = tree.cbegin(); it != tree.cend(); ++it)
            if (it.key().startsWith(prefix)) return false; // sub-keys must go first
        tree.erase(k);
    }
    return writeSettingsFile(file_, tree);
}

QStringList CRegister::GetAllKeys(uint32_t hive, const QString& path) const {
    const SettingsTree tree = readSettingsFile(file_);
    const QString prefix = fullPath(hive, path).toLower() + QLatin1Char('\\');
    QStringList names;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (!it.key().startsWith(prefix)) continue;
        // A key below a sub-key also implies that sub-key exists.
        const QString rest = it->path.mid(prefix.size());
        const QString child = rest.section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && !names.contains(child, Qt::CaseInsensitive)) names << child;
    }
    return names;
}
