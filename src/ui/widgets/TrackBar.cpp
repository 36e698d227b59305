#include "ui/widgets/TrackBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

TTrackBar::TTrackBar(QWidget *_parent) : QSlider(Qt::Horizontal, _parent) {}

QRect TTrackBar::ChannelRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // From the thumb's centre at one end to its centre at the other.
    const int inset = handle.width() / 2;
    return QRect(groove.left() + inset, groove.center().y() - 2,
                 std::max(0, groove.width() - 2 * inset), 4);
}

void TTrackBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);

    const QRect channel = ChannelRect();
    const QPalette &pal = palette();
    painter.fillRect(channel, pal.color(QPalette::Base));
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(channel.topLeft(), channel.topRight());
    painter.drawLine(channel.topLeft(), channel.bottomLeft());
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(channel.bottomLeft(), channel.bottomRight());
    painter.drawLine(channel.topRight(), channel.bottomRight());

    // Ticks and thumb as the style draws them, without its groove.
    option.subControls = QStyle::SC_SliderTickmarks | QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
