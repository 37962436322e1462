#include <gtest/gtest.h>

#include <QApplication>

// As the editor's main does: Qt WebEngine, loaded later with the pane,
// shares its contexts with the window's, which must be asked for before
// the application object exists.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
