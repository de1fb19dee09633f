#include "help/documents.h"

#include "platform/documents.h"
#include "platform/shipped_files.h"
#include "ui/messages.h"

void OpenShippedDocument(const QString& name, const QString& failureMessage, Messages& messages)
{
    const QString path = platform::findShippedFile(platform::ShippedKind::Document, name);
    if (path.isEmpty() || !platform::openHtmlDocument(path))
        messages.show(MessageKind::Plain, failureMessage);
}
