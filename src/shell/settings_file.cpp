#include "shell/settings_file.h"

#include "platform/picture_files.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <stdexcept>

namespace
{

struct Line {
    qsizetype begin; // offset of the first byte
    qsizetype end;   // offset just past the text, before the line break
    qsizetype next;  // offset of the next line
};

// A line ends at LF, at CRLF, or at a CR alone (as old editors wrote them).
QList<Line> splitLines(const QByteArray& text)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        qsizetype next = end;
        if (next < text.size() && text.at(next++) == '\r' && next < text.size() &&
            text.at(next) == '\n')
            ++next;
        lines.append({pos, end, next});
        pos = next;
    }
    return lines;
}

QByteArray lineText(const QByteArray& text, const Line& line)
{
    return text.mid(line.begin, line.end - line.begin);
}

// The section name of a "[name]" line, or none for any other line.
std::optional<QString> sectionName(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return QString::fromLocal8Bit(trimmed.mid(1, close - 1)).trimmed();
}

bool isKeyLine(const QByteArray& line, const QString& key)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0 || line.trimmed().startsWith(';'))
        return false;
    return QString::fromLocal8Bit(line.left(eq)).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

// Index range [first, last) of the lines of `section`'s body, or none when it is missing.
struct SectionSpan {
    qsizetype header;
    qsizetype first;
    qsizetype last;
};

std::optional<SectionSpan> findSection(const QByteArray& text, const QList<Line>& lines,
                                       const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lineText(text, lines[i]));
        if (!name || name->compare(section, Qt::CaseInsensitive) != 0)
            continue;
        qsizetype last = i + 1;
        while (last < lines.size() && !sectionName(lineText(text, lines[last])))
            ++last;
        return SectionSpan{i, i + 1, last};
    }
    return std::nullopt;
}

QByteArray lineBreakOf(const QByteArray& text)
{
    if (text.contains("\r\n"))
        return "\r\n";
    return text.contains('\r') && !text.contains('\n') ? "\r" : "\n";
}

bool endsWithLineBreak(const QByteArray& text)
{
    return text.endsWith('\n') || text.endsWith('\r');
}

// Far more than two numbers need; what is in its place (a FIFO, a link to an endless device, a
// huge file) counts as unreadable instead of hanging the start or filling the memory.
constexpr qint64 SettingsFileBudget = qint64(1) << 20;

std::optional<QByteArray> readFile(const QString& path)
{
    try {
        return platform::readRegularFile(path, SettingsFileBudget);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

int readNumber(const QString& section, const QString& key, const QString& path)
{
    const auto contents = readFile(path);
    return contents ? wholeNumberOrZero(iniValue(*contents, section, key)) : 0;
}

} // namespace

std::optional<QByteArray> iniValue(const QByteArray& contents, const QString& section,
                                   const QString& key)
{
    const QList<Line> lines = splitLines(contents);
    const auto span = findSection(contents, lines, section);
    if (!span)
        return std::nullopt;
    for (qsizetype i = span->first; i < span->last; ++i) {
        const QByteArray line = lineText(contents, lines[i]);
        if (isKeyLine(line, key))
            return line.mid(line.indexOf('=') + 1).trimmed();
    }
    return std::nullopt;
}

QByteArray withIniValue(const QByteArray& contents, const QString& section, const QString& key,
                        const QByteArray& value)
{
    const QList<Line> lines = splitLines(contents);
    const QByteArray br = lineBreakOf(contents);
    const QByteArray entry = key.toLocal8Bit() + '=' + value;
    const auto span = findSection(contents, lines, section);
    QByteArray result = contents;
    if (!span) {
        if (!result.isEmpty() && !endsWithLineBreak(result))
            result += br;
        return result + '[' + section.toLocal8Bit() + ']' + br + entry + br;
    }
    for (qsizetype i = span->first; i < span->last; ++i) {
        if (isKeyLine(lineText(contents, lines[i]), key))
            return result.replace(lines[i].begin, lines[i].end - lines[i].begin, entry);
    }
    // a new key goes after the section's last non-blank line
    qsizetype after = span->header;
    for (qsizetype i = span->first; i < span->last; ++i) {
        if (!lineText(contents, lines[i]).trimmed().isEmpty())
            after = i;
    }
    const Line& anchor = lines[after];
    if (anchor.next == anchor.end) // last line without a line break
        return result.insert(anchor.end, br + entry);
    return result.insert(anchor.next, entry + br);
}

int wholeNumberOrZero(const std::optional<QByteArray>& value)
{
    if (!value)
        return 0;
    bool ok = false;
    const int number = value->toInt(&ok, 10);
    return ok ? number : 0;
}

int ReadWindowWidth(const QString& section, const QString& path)
{
    return readNumber(section, QStringLiteral("W"), path);
}

int ReadWindowHeight(const QString& section, const QString& path)
{
    return readNumber(section, QStringLiteral("H"), path);
}

void SaveWindowSize(QSize outerSize, const QString& section, const QString& path)
{
    const auto unableToWrite = [&] {
        return std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString());
    };
    // a file that is there but cannot be read would lose everything else in it
    const auto existing = readFile(path);
    if (!existing && QFileInfo::exists(path))
        throw unableToWrite();
    QByteArray contents = existing.value_or(QByteArray());
    contents =
        withIniValue(contents, section, QStringLiteral("W"), QByteArray::number(outerSize.width()));
    contents = withIniValue(contents, section, QStringLiteral("H"),
                            QByteArray::number(outerSize.height()));
    // write beside the file and rename, so a failed write never leaves half a file
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit())
        throw unableToWrite();
}
