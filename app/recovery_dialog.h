// The dialog that offers, at start, the documents a session left behind when it ended without
// closing: their names and when each copy was taken.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QString>

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    // Result codes besides Accepted (recover) and Rejected (decide later: the copies stay).
    static constexpr int kDiscard = 2;

    struct Item {
        QString name;
        QString filePath;
        QDateTime takenAt;
    };
    explicit RecoveryDialog(const QList<Item>& items, QWidget* parent = nullptr);
};
