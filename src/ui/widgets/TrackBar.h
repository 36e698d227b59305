#pragma once

#include <QSlider>

// A horizontal track bar: a thin sunken channel, tick marks and the style's
// thumb. Styles such as Fusion fill the groove from the left end to the
// thumb, which reads as a selection range; a track bar draws none.
class TTrackBar : public QSlider
{
    Q_OBJECT
public:
    explicit TTrackBar(QWidget *_parent = nullptr);

    // The channel's rectangle in the widget.
    QRect ChannelRect() const;

protected:
    void paintEvent(QPaintEvent *_event) override;
};
