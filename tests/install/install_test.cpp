// The programs installed as Debian software: `cmake --install` into a temporary prefix,
// the installed programs started from there (the window offscreen, finding its help
// document in the installed data folder), and the .deb made by CPack with the Debian
// packages it depends on.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Finished {
    int exitCode = -1;
    QString out, err;
};

Finished run(const QString &program, const QStringList &args, const QString &workDir = {},
             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(program, args);
    Finished r;
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        r.err = program + " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString manualTitle() {
    QFile f(ORMIX_MANUAL_SOURCE);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readLine()).mid(2).trimmed();
}

// One installation for all tests of this file.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        const Finished r = run(ORMIX_CMAKE, {"--install", ORMIX_BUILD_DIR, "--prefix", Prefix()});
        ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static QString Prefix() { return dir->filePath("usr"); }
    static QString At(const QString &relative) { return QDir(Prefix()).filePath(relative); }

    // A clean user: no configuration, no data folders of an installed copy, no display.
    static QProcessEnvironment CleanEnvironment(const QString &home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            env.insert(name, home + "/" + name);
        env.insert("XDG_DATA_DIRS", home + "/no-system-data");
        // The window's answers without a window need no display.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "ORMIX_PORTS"})
            env.remove(name);
        return env;
    }

    static QTemporaryDir *dir;
};
QTemporaryDir *Installed::dir = nullptr;

TEST_F(Installed, FilesAreWhereDebianKeepsThem) {
    for (const char *file :
         {"bin/ormix", "bin/ormix-cli", "bin/meter-emulator", "share/ormix/Help_ormix.rtf",
          "share/applications/ormix.desktop", "share/icons/hicolor/scalable/apps/ormix.svg",
          "share/icons/hicolor/48x48/apps/ormix.png", "share/icons/hicolor/256x256/apps/ormix.png",
          "share/man/man1/ormix.1.gz", "share/man/man1/ormix-cli.1.gz",
          "share/man/man1/meter-emulator.1.gz"})
        EXPECT_TRUE(QFile::exists(At(file))) << file;
    for (const char *page : {"ormix", "ormix-cli", "meter-emulator"}) {
        const Finished r = run("gzip", {"-dc", At(QString("share/man/man1/%1.1.gz").arg(page))});
        EXPECT_EQ(r.exitCode, 0) << page;
        EXPECT_TRUE(r.out.startsWith(".TH")) << page;
    }
    const Finished desktop = run("desktop-file-validate", {At("share/applications/ormix.desktop")});
    EXPECT_EQ(desktop.exitCode, 0) << desktop.out.toStdString() << desktop.err.toStdString();
}

TEST_F(Installed, CommandLineProgramsStart) {
    QTemporaryDir home;
    const Finished cli =
        run(At("bin/ormix-cli"), {"--help"}, home.path(), CleanEnvironment(home.path()));
    EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_TRUE(cli.out.contains("ormix-cli")) << cli.out.toStdString();
    const Finished emu =
        run(At("bin/meter-emulator"), {"--help"}, home.path(), CleanEnvironment(home.path()));
    EXPECT_EQ(emu.exitCode, 0) << emu.err.toStdString();
    EXPECT_TRUE(emu.out.contains("--firmware")) << emu.out.toStdString();
    const Finished window =
        run(At("bin/ormix"), {"--help"}, home.path(), CleanEnvironment(home.path()));
    EXPECT_EQ(window.exitCode, 0) << window.err.toStdString();
    EXPECT_TRUE(window.out.contains("--help-check")) << window.out.toStdString();
}

TEST_F(Installed, WindowFindsItsHelpDocumentInTheDataFolder) {
    QTemporaryDir home; // the working directory holds no help document
    const Finished r =
        run(At("bin/ormix"), {"--help-check"}, home.path(), CleanEnvironment(home.path()));
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QStringList lines = r.out.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(QDir::cleanPath(lines[0]), QDir::cleanPath(At("share/ormix/Help_ormix.rtf")));
    EXPECT_EQ(lines[1], manualTitle());
}

TEST_F(Installed, WindowWithoutItsHelpDocumentSaysSo) {
    QFile::rename(At("share/ormix/Help_ormix.rtf"), At("share/ormix/moved.rtf"));
    QTemporaryDir home;
    const Finished r =
        run(At("bin/ormix"), {"--help-check"}, home.path(), CleanEnvironment(home.path()));
    QFile::rename(At("share/ormix/moved.rtf"), At("share/ormix/Help_ormix.rtf"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Не найден файл справки")) << r.err.toStdString();
}

// CPack builds the package into a temporary folder; its control data must name the
// Debian packages the programs link and the Qt plugins they load at run time.
TEST(Package, DebListsTheDebianPackagesItNeeds) {
    QTemporaryDir out;
    const Finished pack = run(ORMIX_CPACK, {"--config", ORMIX_BUILD_DIR "/CPackConfig.cmake", "-G",
                                            "DEB", "-B", out.path()});
    ASSERT_EQ(pack.exitCode, 0) << pack.out.toStdString() << pack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({"ormix_*.deb"}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << pack.out.toStdString();
    const QString deb = QDir(out.path()).filePath(debs[0]);

    const Finished info = run("dpkg-deb", {"-I", deb});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(
        QRegularExpression("^ Package: ormix$", QRegularExpression::MultilineOption)));
    EXPECT_TRUE(info.out.contains(" Version: " ORMIX_PROJECT_VERSION)) << info.out.toStdString();
    const QRegularExpressionMatch depends =
        QRegularExpression("^ Depends: (.*)$", QRegularExpression::MultilineOption).match(info.out);
    ASSERT_TRUE(depends.hasMatch()) << info.out.toStdString();
    for (const char *package :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6sql6-sqlite",
          "libqt6sql6-psql", "libqt6sql6-odbc"})
        EXPECT_TRUE(depends.captured(1).contains(QRegularExpression(
            QString("(^|, )%1( \\(|,|$)").arg(QRegularExpression::escape(package)))))
            << package << " in " << depends.captured(1).toStdString();

    const Finished contents = run("dpkg-deb", {"-c", deb});
    for (const char *file :
         {"./usr/bin/ormix", "./usr/bin/ormix-cli", "./usr/bin/meter-emulator",
          "./usr/share/ormix/Help_ormix.rtf", "./usr/share/applications/ormix.desktop",
          "./usr/share/man/man1/ormix-cli.1.gz", "./usr/share/man/man1/meter-emulator.1.gz"})
        EXPECT_TRUE(contents.out.contains(file)) << file;
}

} // namespace
