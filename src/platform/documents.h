#pragma once

#include <QString>

// Documents handed to the user's own programs (documents_xdg.cpp).
namespace platform
{

// Opens the HTML document at `path` in the user's default browser without waiting for the
// browser; false when no program took it: none is set up for HTML, the one set up cannot be
// started, or the document does not exist.
bool openHtmlDocument(const QString& path);

} // namespace platform
