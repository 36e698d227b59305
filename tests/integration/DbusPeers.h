#pragma once

// Stand-ins for the programs on the session bus that Frobnik talks to.

#include "app/settings/QBXRegistry.h"

#include <QObject>
#include <QStringList>

// Plays the running download manager: it owns its bus name and listens for
// the notice, noting what its settings held when the notice came.
class TFakeDownloadManager : public QObject
{
    Q_OBJECT
public:
    QList<int> Jobs;
    QStringList PathsSeen;
    QString AppName;
public slots:
    void ConversionComplete(int _job)
    {
        Jobs << _job;
        PathsSeen << TQBXRegistry(AppName).ReadStringPar(QStringLiteral("conv_for_") +
                                                         QString::number(_job));
    }
};

class TFakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList Shown;
public slots:
    void ShowItems(const QStringList &uris, const QString &) { Shown << uris; }
};
