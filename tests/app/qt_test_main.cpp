// main() of the app layer's GUI tests: an offscreen QApplication, and settings
// files kept in a temporary folder instead of /etc or the user's home.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return 1;
    }
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        QDir(scratch.path()).mkdir(QStringLiteral("runtime"));
        QFile::setPermissions(scratch.filePath(QStringLiteral("runtime")),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", scratch.filePath(QStringLiteral("runtime")).toLocal8Bit());
    }
    qputenv("VERALITH_SYSTEM_DIR", scratch.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
