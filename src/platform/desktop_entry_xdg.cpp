#include "platform/desktop_entry_xdg.h"

#include <QHash>
#include <QUrl>

namespace platform::xdg
{

namespace
{

// A value with the escapes of the entry format undone; other backslashes are kept for the
// command line's own quoting.
QString unescapeValue(const QString& value)
{
    static const QHash<QChar, QChar> escapes = {
        {'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'}};
    QString plain;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && escapes.contains(value[i + 1]))
            plain += escapes.value(value[++i]);
        else
            plain += value[i];
    }
    return plain;
}

// The keys of the group "Desktop Entry"; the actions' groups have commands of their own.
QHash<QString, QString> mainGroup(const QString& text)
{
    QHash<QString, QString> keys;
    bool inMain = false;
    for (const QString& raw : text.split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('[')) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMain || line.startsWith('#') || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!keys.contains(key))
            keys.insert(key, unescapeValue(line.mid(equals + 1).trimmed()));
    }
    return keys;
}

// What the field codes of a command line stand for.
struct FieldValues {
    QString document, url, icon, name, entryPath;
    bool documentPlaced = false;
};

// Adds what the field code `code` stands for; the codes that have lost their meaning add nothing.
void expandFieldCode(QChar code, QString& word, bool& inWord, QStringList& words,
                     FieldValues& values)
{
    switch (code.unicode()) {
    case 'f':
    case 'F':
        word += values.document;
        values.documentPlaced = inWord = true;
        break;
    case 'u':
    case 'U':
        word += values.url;
        values.documentPlaced = inWord = true;
        break;
    case 'c':
        word += values.name;
        inWord = true;
        break;
    case 'k':
        word += values.entryPath;
        inWord = true;
        break;
    case 'i':
        if (!values.icon.isEmpty()) {
            words.append(QStringLiteral("--icon"));
            word += values.icon;
            inWord = true;
        }
        break;
    case '%':
        word += '%';
        inWord = true;
        break;
    }
}

// The words of a command line: blanks separate them, double quotes group them (with \" \` \$
// and \\ inside), field codes are replaced outside quotes. None when a quote is left open.
std::optional<QStringList> splitCommand(const QString& exec, FieldValues& values)
{
    static const QString quotedEscapes = QStringLiteral("\"`$\\");
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        const bool hasNext = i + 1 < exec.size();
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && hasNext && quotedEscapes.contains(exec[i + 1]))
                word += exec[++i];
            else
                word += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '%' && hasNext) {
            expandFieldCode(exec[++i], word, inWord, words, values);
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words.append(word);
    return words;
}

} // namespace

std::optional<QStringList> commandForDocument(const QString& entryText, const QString& entryPath,
                                              const QString& document)
{
    const QHash<QString, QString> keys = mainGroup(entryText);
    if (keys.value(QStringLiteral("Type")) != QLatin1String("Application") ||
        keys.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return std::nullopt;
    FieldValues values{document, QUrl::fromLocalFile(document).toString(QUrl::FullyEncoded),
                       keys.value(QStringLiteral("Icon")), keys.value(QStringLiteral("Name")),
                       entryPath};
    std::optional<QStringList> command = splitCommand(keys.value(QStringLiteral("Exec")), values);
    if (!command || command->isEmpty())
        return std::nullopt;
    if (!values.documentPlaced)
        command->append(document);
    return command;
}

} // namespace platform::xdg
