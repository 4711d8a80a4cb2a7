// The main of the widget tests: one QApplication for all of them, on the
// offscreen platform unless the caller chose another (an X display to watch).

#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

QtMessageHandler standard = nullptr;

// The offscreen platform says what it cannot do (raise, grab the keyboard)
// for every window and menu it shows.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (standard)
        standard(type, context, message);
    else
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
    standard = qInstallMessageHandler(quietOffscreen);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
