#pragma once

#include <QImage>
#include <QTemporaryDir>
#include <functional>

namespace fgtest
{

// What captures hold: flat areas with hard edges, a smooth gradient and fine detail.
QImage screenLike(int width, int height, QImage::Format format = QImage::Format_RGB32);

// Straight alpha 0, 128 and 255 in turn; the colours stay as they were.
QImage withTransparency(const QImage& picture);

// The mean difference of the colour channels, 0 to 255.
double meanError(const QImage& actual, const QImage& expected);

// The pixels of a JPEG file as libjpeg-turbo's own djpeg decodes them.
QImage djpegPixels(const QString& path);

// What `action` threw, or empty when it threw nothing.
QString failureText(const std::function<void()>& action);

// A folder of the test's own for the files it writes, each named for the test function and row.
class PictureFolder
{
public:
    QString pathFor(const QString& extension) const;
    // `bytes` written into a file of that name, its path
    QString written(const QByteArray& bytes, const QString& extension) const;
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

} // namespace fgtest
