#pragma once

#include <QImage>
#include <QWidget>

// A picture component: shows its picture at its own (0, 0), neither stretched nor centred, one
// picture pixel on each device pixel of the screen (at 200 % a logical pixel of the box shows
// two by two of the picture's). Its size is set apart from the picture's, as the window that
// owns it decides.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    // The box's size (logical) that shows `pixels` of picture whole.
    QSize sizeShowing(QSize pixels) const;

    // Draws on the picture in place; the box repaints afterwards.
    template <typename Edit> void editPicture(Edit edit)
    {
        edit(picture_);
        update();
    }

Q_SIGNALS:
    // every mouse button alike, as the picture's pixel under the pointer
    void mousePressed(QPoint at);
    void mouseMoved(QPoint at);
    void mouseReleased(QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint pixelAt(const QMouseEvent* event) const;

    QImage picture_;
    qreal scale_ = 1.0; // the screen's device pixels to a logical one
};
