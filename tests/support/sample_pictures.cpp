#include "sample_pictures.h"

#include "fg_test.h"

#include <QFile>
#include <QRandomGenerator>
#include <stdexcept>

namespace fgtest
{

QImage screenLike(int width, int height, QImage::Format format)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 10000 + height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb colour = qRgb(255 * x / width, 255 * y / height, 90);
            if (x < width / 3)
                colour = (x / 4 + y / 4) % 2 ? qRgb(250, 250, 250) : qRgb(20, 20, 30);
            else if (y >= height / 2) // detail in brightness, as text has
                colour = qRgb(140, 60, 0) + random.bounded(40) * 0x010101u;
            picture.setPixel(x, y, colour);
        }
    }
    return picture.convertToFormat(format);
}

QImage withTransparency(const QImage& picture)
{
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            argb.setPixel(x, y, (argb.pixel(x, y) & 0xFFFFFF) | quint32((x + y) % 3 * 127) << 24);
    return argb;
}

double meanError(const QImage& actual, const QImage& expected)
{
    qint64 sum = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            sum +=
                qAbs(qRed(a) - qRed(e)) + qAbs(qGreen(a) - qGreen(e)) + qAbs(qBlue(a) - qBlue(e));
        }
    }
    return double(sum) / (3.0 * expected.width() * expected.height());
}

QImage djpegPixels(const QString& path)
{
    return QImage::fromData(runPeer("djpeg", {"-ppm", path}), "PPM");
}

QString failureText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& failure) {
        return QString::fromUtf8(failure.what());
    }
    return {};
}

QString PictureFolder::pathFor(const QString& extension) const
{
    return dir_.filePath(QString(QTest::currentTestFunction()) + "-" +
                         QString(QTest::currentDataTag()).replace(' ', '_') + "." + extension);
}

QString PictureFolder::written(const QByteArray& bytes, const QString& extension) const
{
    const QString path = pathFor(extension);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace fgtest
