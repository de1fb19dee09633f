#include "tools/folder_listing.h"

#include "tools/folder_files.h"

#include <QCollator>

#include <algorithm>

QStringList listingNames(const QString& folder, bool sorted)
{
    QStringList names = regularFilesIn(folder);
    if (sorted) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(names.begin(), names.end(), collator);
    }
    return names;
}

namespace
{

class TextStream
{
public:
    explicit TextStream(const TextStreamPage& page) : page_(page), pages_(1) {}

    void writeLine(const QString& line)
    {
        QString rest = line;
        for (;;) {
            const qsizetype fits = longestFittingPart(rest);
            draw(rest.left(fits));
            if (fits == rest.size())
                break;
            rest = rest.mid(fits);
            endLine();
        }
        endLine();
    }

    QList<PrintedPage> pages()
    {
        if (pages_.size() > 1 && pages_.last().isEmpty())
            pages_.removeLast();
        return pages_;
    }

private:
    qsizetype longestFittingPart(const QString& text) const
    {
        const int room = page_.size.width() - pen_.x();
        qsizetype low = 0, high = text.size(); // the part of `low` characters fits
        if (page_.width(text) <= room)
            return high;
        while (high - low > 1) {
            const qsizetype middle = (low + high) / 2;
            (page_.width(text.left(middle)) <= room ? low : high) = middle;
        }
        if (low > 0 && text[low - 1].isHighSurrogate())
            --low;
        // a first character wider than a whole line is drawn anyway, or the text never ends
        return low == 0 && pen_.x() == 0 ? 1 : low;
    }

    void draw(const QString& text)
    {
        if (text.isEmpty())
            return;
        pages_.last().append({pen_, text});
        pen_.rx() += page_.width(text);
        lineHeight_ = std::max(lineHeight_, page_.textHeight + 2);
    }

    void endLine()
    {
        const int step = lineHeight_ ? lineHeight_ : page_.textHeight;
        pen_ = QPoint(0, pen_.y() + step);
        if (pen_.y() > page_.size.height() - 2 * step) {
            if (!pages_.last().isEmpty())
                pages_.append(PrintedPage());
            pen_ = QPoint(0, 0);
        }
        lineHeight_ = 0;
    }

    const TextStreamPage& page_;
    QList<PrintedPage> pages_;
    QPoint pen_{0, 0};
    int lineHeight_ = 0;
};

} // namespace

QList<PrintedPage> layOutTextStream(const QStringList& lines, const TextStreamPage& page)
{
    TextStream stream(page);
    for (const QString& line : lines)
        stream.writeLine(line);
    return stream.pages();
}
