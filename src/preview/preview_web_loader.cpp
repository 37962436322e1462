#include <QCoreApplication>
#include <QLibrary>

#include "preview/preview_web.h"

namespace marivel {

std::unique_ptr<PreviewWeb> LoadPreviewWeb(const QString& folder, const PreviewWeb::Hooks& hooks,
                                           QWidget* parent, QString* error) {
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
