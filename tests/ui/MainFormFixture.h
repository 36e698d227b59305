#pragma once

// A temporary program folder and isolated settings for tests that drive the
// real main window, and small helpers that act as the user does.

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"
#include "localization/LanguageDefaults.h"
#include "ui/Dialogs.h"
#include "ui/MainForm.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

class TProgramFolder
{
public:
    TProgramFolder()
    {
        const QDir built(qEnvironmentVariable("FROBNIK_PROGRAM_DIR"));
        CopyFolder(built.filePath("Languages"), Path("Languages"));
        CopyFolder(built.filePath("images"), Path("images"));
        QFile::copy(built.filePath("presets.xml"), Path("presets.xml"));
        SetProgramFolder(FDir.path());
    }
    ~TProgramFolder() { SetProgramFolder(QString()); }

    QString Path(const QString &_name = QString()) const
    {
        return _name.isEmpty() ? FDir.path() : FDir.filePath(_name);
    }

    void WriteFile(const QString &_name, const QByteArray &_bytes) const
    {
        QDir().mkpath(QFileInfo(Path(_name)).path());
        QFile file(Path(_name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(_bytes);
    }

    // Presets given as (id, name, extension).
    void WritePresets(const QList<std::tuple<int, QString, QString>> &_presets) const
    {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<presets>\n";
        for (const auto &[id, name, ext] : _presets)
            xml += "<device><id>" + QByteArray::number(id) + "</id><name>" + name.toUtf8() +
                   "</name><params>-c:v libx264</params><extension>" + ext.toUtf8() +
                   "</extension></device>\n";
        xml += "</presets>\n";
        WriteFile("presets.xml", xml);
    }

    bool Valid() const { return FDir.isValid() && QFile::exists(Path("Languages/English.lng")); }

private:
    static void CopyFolder(const QString &_from, const QString &_to)
    {
        QDir().mkpath(_to);
        for (const QFileInfo &entry : QDir(_from).entryInfoList(QDir::Files))
            QFile::copy(entry.filePath(), QDir(_to).filePath(entry.fileName()));
    }

    QTemporaryDir FDir;
};

// Forgets every setting of the program.
inline void ResetSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "qbx", "Frobnik");
    settings.clear();
    settings.sync();
}

inline QString ReadSetting(const QString &_name)
{
    return TQBXRegistry("Frobnik").ReadStringPar(_name);
}

inline void WriteSetting(const QString &_name, const QString &_value)
{
    TQBXRegistry("Frobnik").WriteStringPar(_name, _value);
}

// The user picks an item of a drop-down list from its pop-up.
inline void PickItem(QComboBox *_combo, const QString &_text)
{
    const int index = _combo->findText(_text);
    QVERIFY2(index >= 0, qPrintable(_text));
    QVERIFY(_combo->isEnabled());
    _combo->showPopup();
    QAbstractItemView *view = _combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex item = view->model()->index(index, _combo->modelColumn());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->window()->isVisible());
    QCOMPARE(_combo->currentIndex(), index);
}

// The user clicks the tab of a page.
inline void ClickTab(QTabWidget *_tabs, int _index)
{
    QTabBar *bar = _tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(_index).center());
    QCOMPARE(_tabs->currentIndex(), _index);
}

// The user replaces the text of an edit box by typing.
inline void TypeInto(QLineEdit *_edit, const QString &_text)
{
    _edit->setFocus(Qt::MouseFocusReason);
    _edit->selectAll();
    QTest::keyClick(_edit, Qt::Key_Delete);
    QTest::keyClicks(_edit, _text);
}

// Drags local paths from a file manager and drops them on a widget; true
// when the widget took the drop.
inline bool DropPaths(QWidget *_target, const QStringList &_paths, const QPoint &_pos = {10, 10})
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : _paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(_pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(_target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(_pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(_target, &drop);
    return drop.isAccepted();
}

// An empty file, with the folders it needs.
inline QString Touch(const QString &_path, qint64 _size = 0)
{
    QDir().mkpath(QFileInfo(_path).path());
    QFile file(_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && _size > 0)
        file.resize(_size);
    return _path;
}
