#pragma once

#include <QImage>
#include <QString>

#include <csetjmp>
#include <new>
#include <stdexcept>

inline const char* const EmptyPictureText =
    "The picture is empty (0 x 0 pixels), so there is nothing to save, copy or print.";

inline void requireNonEmpty(const QImage& picture)
{
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        throw std::runtime_error(EmptyPictureText);
}

// The largest picture this program opens: 32 Mi pixels, 128 MiB in RGB32 (an 8K screen of
// 7680 x 4320 fits). A damaged or hostile file can claim any size in a few bytes; it is refused
// before anything is allocated for it.
constexpr qint64 PicturePixelBudget = qint64(32) << 20;

// The largest picture file read: every picture within the budget fits, as a 32-bit bitmap too.
constexpr qint64 PictureFileBudget = qint64(160) << 20;

inline void requireWithinBudget(qint64 width, qint64 height)
{
    if (width * height > PicturePixelBudget)
        throw std::runtime_error(QString("The picture claims %1 x %2 pixels, more than the %3 "
                                         "million pixels this program opens.")
                                     .arg(width)
                                     .arg(height)
                                     .arg(PicturePixelBudget / 1000000)
                                     .toStdString());
}

// The picture in the format an encoder takes, shared rather than copied when it already is.
// Going to a format without alpha, Qt keeps straight pixels' colours and un-premultiplies the
// others, so transparent pixels keep their colour instead of turning black.
inline QImage pictureToSave(const QImage& picture, QImage::Format format)
{
    requireNonEmpty(picture);
    QImage converted = picture.convertToFormat(format);
    if (converted.isNull())
        throw std::bad_alloc(); // Qt gives no picture when it cannot allocate one
    return converted;
}

// libjpeg and libpng are C: their error handlers must not return, and an exception thrown from a
// handler would have to unwind through the libraries' C frames, which may have no unwind
// information. So a handler writes its message here and longjmps back to
// runCatchingLibraryError(), which throws it from ordinary C++ code. The jump is well defined
// because nothing between the two has a destructor: the steps only call into the library, and
// every object they use (the library's structs held by RAII owners, the output) belongs to the
// caller, whose destructors then release it as the exception passes. No local of the function
// that called setjmp() changes before the jump, so none needs to be volatile.
struct LibraryErrorJump {
    std::jmp_buf resume;
    char message[200];
};

[[noreturn]] inline void jumpBackWithMessage(LibraryErrorJump& jump)
{
    std::longjmp(jump.resume, 1);
}

template <typename Steps> void runCatchingLibraryError(LibraryErrorJump& jump, const Steps& steps)
{
    if (setjmp(jump.resume) != 0)
        throw std::runtime_error(jump.message);
    steps();
}
