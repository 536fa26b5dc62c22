// The "Recent Files" submenu of File: the last ten files opened or saved, newest first, kept in
// the settings store under keys of their own and written at once, so a crash keeps them too.
#pragma once

#include <QObject>
#include <QStringList>

class CRegister;
class QMenu;

class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMax = 10;

    // Reads the list from the store and fills `menu`; choosing an entry emits openRequested.
    RecentFiles(CRegister& store, QMenu* menu, QObject* parent = nullptr);

    const QStringList& files() const { return files_; }
    // The file goes to the top of the list (once), the eleventh drops off.
    void add(const QString& path);
    void remove(const QString& path);
    // The entry for `path` was chosen: a missing file is removed with a message; otherwise
    // openRequested is emitted.
    void choose(const QString& path);

signals:
    void openRequested(const QString& path);

private:
    void save();
    void rebuildMenu();

    CRegister& store_;
    QMenu* menu_;
    QStringList files_;
};
