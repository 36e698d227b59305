#include "ui/DemoState.h"

#include "support/TextUtils.h"
#include "ui/MainForm.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/PageScroller.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

void ApplyDemoState(TMainForm &_window, const QString &_state)
{
    QString menu;
    for (const QString &pair : _state.split(u';', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0).trimmed();
        const QString value = pair.section(u'=', 1);
        const int number = StrToIntDef(value, -1);
        if (key == QLatin1String("source")) {
            _window.SelectSource(value);
        } else if (key == QLatin1String("format")) {
            const int index = _window.OutFormatComboBox->findText(value);
            if (index >= 0) {
                _window.OutFormatComboBox->setCurrentIndex(index);
                _window.OutFormatComboBoxChange();
            }
        } else if (key == QLatin1String("quality") && (number == 0 || number == 1)) {
            _window.QualityComboBox->setCurrentIndex(number);
            _window.QualityComboBoxChange();
        } else if (key == QLatin1String("page") && (number == 0 || number == 1)) {
            _window.VideoPageControl->setCurrentIndex(number);
        } else if (key == QLatin1String("device") && number >= 0 &&
                   number < _window.DeviceButtons.size()) {
            _window.DeviceButtons.at(number)->click();
        } else if (key == QLatin1String("scroll") && number >= 0) {
            _window.DevicePageScroller->SetPosition(number);
        } else if (key == QLatin1String("menu")) {
            menu = value;
        }
    }
    if (menu == QLatin1String("options")) {
        _window.AdditionPopupMenu->popup(
            _window.AdditionLabel->mapToGlobal(_window.AdditionLabel->rect().bottomLeft()));
    } else if (menu == QLatin1String("source")) {
        _window.DropDownBitBtnClick();
    } else {
        QMenu *bar = menu == QLatin1String("file")   ? _window.N1
                     : menu == QLatin1String("view") ? _window.ViewMenuItem
                     : menu == QLatin1String("help") ? _window.N2
                                                     : nullptr;
        if (bar)
            _window.MainMenu->setActiveAction(bar->menuAction());
    }
}
