#include <QCoreApplication>
#include <QLibrary>
#include <QOpenGLContext>

#include "preview/preview_web.h"

// Qt's own context that others share with, as QGuiApplication makes it
// when asked before it starts (Qt::AA_ShareOpenGLContexts). Exported by
// Qt Gui, declared in no public header.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace marivel {

namespace {

// Qt WebEngine draws through a context shared with Qt's global one. Asking
// for that at start-up would cost every start a graphics context, whether
// the pane is ever shown or not; it is made here instead, as Qt makes it,
// just before the engine is loaded. Where no OpenGL is to be had the
// engine draws without it.
void ProvideSharedContext() {
    if (qt_gl_global_share_context()) return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
}

}  // namespace

std::unique_ptr<PreviewWeb> LoadPreviewWeb(const QString& folder, const PreviewWeb::Hooks& hooks,
                                           QWidget* parent, QString* error) {
    ProvideSharedContext();
    const QString here = QCoreApplication::applicationDirPath();
    QString reasons;
    for (const QString& place : {here, here + QStringLiteral("/../lib/marivel")}) {
        QLibrary library(place + QStringLiteral("/libmarivel_preview_web.so"));
        // Kept loaded for the rest of the run: the view's code lives there.
        auto create = reinterpret_cast<CreatePreviewWeb>(library.resolve("marivel_create_preview_web"));
        if (create) return std::unique_ptr<PreviewWeb>(create(folder, hooks, parent));
        reasons += library.errorString() + QLatin1Char(' ');
    }
    if (error)
        *error = QStringLiteral("The live preview's web engine could not be loaded: ") + reasons.trimmed();
    return nullptr;
}

}  // namespace marivel
