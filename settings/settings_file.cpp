#include "settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

QString escape(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('='))
            out += QLatin1String("\\e");
        else if (c == QLatin1Char('@'))
            out += QLatin1String("\\a");
        else
            out += c;
    }
    return out;
}

bool unescape(const QString& s, QString* out) {
    out->clear();
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\')) {
            *out += s[i];
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i].unicode()) {
        case '\\':
            *out += QLatin1Char('\\');
            break;
        case 'n':
            *out += QLatin1Char('\n');
            break;
        case 'r':
            *out += QLatin1Char('\r');
            break;
        case 'e':
            *out += QLatin1Char('=');
            break;
        case 'a':
            *out += QLatin1Char('@');
            break;
        default:
            return false;
        }
    }
    return true;
}

// Index of the first "=" not escaped (escapes never produce a raw "=").
int separator(const QString& line) {
    return int(line.indexOf(QLatin1Char('=')));
}

} // namespace

SettingsTree readSettingsFile(const QString& file, bool* ok) {
    if (ok) *ok = true;
    SettingsTree tree;
    QFile f(file);
    if (!f.exists()) return tree;
    auto corrupt = [&]() {
        if (ok) *ok = false;
        return SettingsTree();
    };
    if (!f.open(QIODevice::ReadOnly)) return corrupt();
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError || bytes.size() > (16 << 20)) return corrupt();
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError() || text.contains(QChar(0))) return corrupt();

    SettingsKey* current = nullptr;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.endsWith(QLatin1Char('\r')) ? raw.chopped(1) : raw;
        if (line.isEmpty()) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString path = line.mid(1, line.size() - 2);
            if (path.isEmpty()) return corrupt();
            SettingsKey& key = tree[path.toLower()];
            key.path = path;
            current = &key;
            continue;
        }
        const int eq = separator(line);
        if (!current || eq <= 0) return corrupt();
        QString name, value;
        if (!unescape(line.left(eq), &name) || !unescape(line.mid(eq + 1), &value))
            return corrupt();
        if (line.left(eq) == QLatin1String("@")) name.clear();
        current->values.insert(name.toLower(), qMakePair(name, value));
    }
    return tree;
}

bool writeSettingsFile(const QString& file, const SettingsTree& tree) {
    QString text;
    for (const SettingsKey& key : tree) {
        text += QLatin1Char('[') + key.path + QLatin1String("]\n");
        for (const auto& v : key.values) {
            const QString name = v.first.isEmpty() ? QStringLiteral("@") : escape(v.first);
            text += name + QLatin1Char('=') + escape(v.second) + QLatin1Char('\n');
        }
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = text.toUtf8();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
