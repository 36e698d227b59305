#pragma once

// A temporary program folder and isolated settings for tests that drive the
// real main window, and small helpers that act as the user does.

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"
#include "localization/LanguageDefaults.h"
#include "testsupport/TestSupport.h"
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

// The program folder of a window test: the shipped texts, pictures and presets.
class TProgramFolder : public TProgramCopy
{
public:
    TProgramFolder()
        : TProgramCopy({QStringLiteral("Languages"), QStringLiteral("images"),
                        QStringLiteral("presets.xml")})
    {
    }
};

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
