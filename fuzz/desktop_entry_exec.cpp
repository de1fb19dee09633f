// Random command lines of a desktop entry: the document handed over, however odd its name, must
// reach the program as one whole word, never split, merged with text that is not its own, nor
// dropped.
#include "platform/desktop_entry_xdg.h"

#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace
{

// Blanks, quotes, a field code and the shell's special letters, all of which must pass unchanged.
const QString Document = QStringLiteral("/tmp/my \"shot\" %f $HOME `x` \\ 1.png");

bool holdsDocument(const QStringList& command)
{
    const QString url = QUrl::fromLocalFile(Document).toString(QUrl::FullyEncoded);
    for (const QString& word : command)
        if (word.contains(Document) || word.contains(url))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString exec = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Paint\n"
                                         "Icon=paint\nExec=") +
                          exec + QLatin1Char('\n');
    const std::optional<QStringList> command = platform::xdg::commandForDocument(
        entry, QStringLiteral("/usr/share/paint.desktop"), Document);
    if (command && (command->isEmpty() || !holdsDocument(*command))) {
        std::fprintf(stderr, "the document was lost from: %s\n", qPrintable(exec));
        std::abort();
    }
    return 0;
}
