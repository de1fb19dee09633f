#pragma once

#include <QImage>
#include <QWidget>

// A picture component: shows its picture at its own (0, 0), neither stretched nor centred.
// Its size is set apart from the picture's, as the window that owns it decides.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    // Draws on the picture in place; the box repaints afterwards.
    template <typename Edit> void editPicture(Edit edit)
    {
        edit(picture_);
        update();
    }

Q_SIGNALS:
    // every mouse button alike, in the box's own coordinates
    void mousePressed(QPoint at);
    void mouseMoved(QPoint at);
    void mouseReleased(QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};
