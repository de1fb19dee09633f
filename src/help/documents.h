#pragma once

class Messages;
class QString;

// Opens the help document `name`, shipped with the program, in the user's browser; when no
// program took it (no browser set up, or the document is missing), shows `failureMessage` in a
// plain message box.
void OpenShippedDocument(const QString& name, const QString& failureMessage, Messages& messages);
