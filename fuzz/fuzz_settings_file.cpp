// Random settings files: writing the window size must read back, and the write must keep every
// other byte of the file, replacing at most the text of one line for each key.
#include "shell/settings_file.h"

#include <cstdio>
#include <cstdlib>

namespace
{

void require(bool condition, const char* what, const QByteArray& before, const QByteArray& after)
{
    if (condition)
        return;
    std::fprintf(stderr, "%s\nbefore: %s\nafter:  %s\n", what, before.toPercentEncoding().data(),
                 after.toPercentEncoding().data());
    std::abort();
}

// `after` is `before` with one stretch of it, holding no line break, replaced by new text.
bool oneLineChanged(const QByteArray& before, const QByteArray& after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    return !removed.contains('\n') && !removed.contains('\r');
}

QByteArray withKey(const QByteArray& before, const char* key, const QByteArray& value)
{
    const QByteArray after = withIniValue(before, "form1", key, value);
    require(oneLineChanged(before, after), "bytes other than one line changed", before, after);
    return after;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray after = withKey(withKey(before, "W", "800"), "H", "600");
    require(wholeNumberOrZero(iniValue(after, "form1", "W")) == 800, "W does not read back", before,
            after);
    require(wholeNumberOrZero(iniValue(after, "form1", "H")) == 600, "H does not read back", before,
            after);
    return 0;
}
