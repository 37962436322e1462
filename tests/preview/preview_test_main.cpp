#include <gtest/gtest.h>

#include <QApplication>

// As the editor's main does: no shared OpenGL context is asked for up
// front (it would cost every start-up a graphics context), so Qt WebEngine,
// loaded later with the pane, draws without the GPU.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
