#include "tools/web_pictures_loader.h"

#include "platform/programs.h"
#include "platform/shipped_files.h"

#include "tools/web_picture_rules.h"
#include "tools/web_pictures_tool.h"
#include "ui/messages.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <memory>
#include <stdexcept>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE

namespace
{

const QString PluginName = QStringLiteral("framegrove_web_pictures");

// The browser draws with OpenGL contexts that share with one global context, and crashes when
// there is none. Qt makes that context at start-up when asked with Qt::AA_ShareOpenGLContexts,
// which costs every start an OpenGL context (~150 ms) for a tool few open; so it is made here,
// once, before the browser first loads, and freed while the display is still open.
// qt_gl_set_global_share_context is Qt's private interface (the one Qt WebEngine itself uses):
// check it again whenever Qt changes.
void shareOpenGlContextsFromNowOn()
{
    if (qt_gl_global_share_context())
        return;
    auto context = std::make_unique<QOpenGLContext>();
    if (!context->create())
        throw std::runtime_error(
            "The web browser needs OpenGL, which this display does not offer.");
    qt_gl_set_global_share_context(context.release());
    qAddPostRoutine([] {
        QOpenGLContext* shared = qt_gl_global_share_context();
        qt_gl_set_global_share_context(nullptr);
        delete shared;
    });
}

WebPicturesTool* loadTool(const QString& pluginPath)
{
    QPluginLoader loader(pluginPath);
    QObject* root = loader.instance(); // stays loaded for the program's life
    auto* tool = qobject_cast<WebPicturesTool*>(root);
    if (!tool)
        throw std::runtime_error(
            QStringLiteral("The web pictures tool could not be loaded (%1): %2")
                .arg(pluginPath.isEmpty() ? PluginName : pluginPath,
                     root ? QStringLiteral("not the web pictures tool") : loader.errorString())
                .toStdString());
    return tool;
}

// The browser takes a second or so to start the first time.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

QString findWebPicturesPlugin()
{
    return platform::findShippedFile(platform::ShippedKind::Plugin,
                                     platform::pluginFileName(PluginName));
}

void openWebPictures(QWidget* owner, Services services, const QString& pluginPath)
{
    // the browser ends the whole program when it refuses, taking an unsaved capture with it
    if (browserRefusesToStart(platform::runsAsSuperuser(),
                              QProcessEnvironment::systemEnvironment())) {
        services.messages.show(
            MessageKind::Warning,
            QStringLiteral("The web pictures tool cannot open: its web browser does not run for "
                           "the root user. Start Framegrove as an ordinary user to download the "
                           "pictures of a webpage."));
        return;
    }
    std::unique_ptr<QDialog> dialog;
    try {
        WaitCursor wait;
        shareOpenGlContextsFromNowOn();
        dialog.reset(loadTool(pluginPath)->createDialog(owner, services));
    } catch (const std::exception& failure) {
        services.messages.show(MessageKind::Warning, QString::fromUtf8(failure.what()));
        return;
    }
    dialog->exec();
}
