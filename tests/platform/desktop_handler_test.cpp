// The desktop's default application for workbooks, found the way a desktop finds it, in
// XDG folders of the test's own.
#include "platform/desktop_handler.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ormix::platform;

namespace {

const QString kXlsx =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");

void Write(const QString &path, const QByteArray &text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// XDG_* pointing into a temporary folder, and no desktop session to ask instead.
class DesktopHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char *name : kVariables) {
            saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qunsetenv(name);
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.filePath("etc")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath("share")));
        QDir().mkpath(dir.filePath("config"));
    }
    void TearDown() override {
        for (const auto &v : saved)
            v.set ? qputenv(v.name, v.value) : qunsetenv(v.name);
    }

    QString Apps(const QString &name) const { return dir.filePath("data/applications/" + name); }
    void MakeDefault(const QString &id) {
        Write(dir.filePath("config/mimeapps.list"),
              "[Default Applications]\n" + kXlsx.toUtf8() + "=" + id.toUtf8() + "\n");
    }

    static constexpr const char *kVariables[] = {
        "XDG_CONFIG_HOME",     "XDG_CONFIG_DIRS", "XDG_DATA_HOME",    "XDG_DATA_DIRS",
        "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"};
    struct Saved {
        const char *name;
        QByteArray value;
        bool set;
    };
    QList<Saved> saved;
    QTemporaryDir dir;
};

TEST_F(DesktopHandlerTest, DesktopEntriesThatCanAndCannotStart) {
    const struct {
        const char *name;
        const char *entry;
        bool canStart;
    } cases[] = {
        {"plain", "[Desktop Entry]\nType=Application\nName=Calc\nExec=sh -c true %U\n", true},
        {"quoted path", "[Desktop Entry]\nType=Application\nExec=\"/bin/sh\" %f\n", true},
        {"hidden", "[Desktop Entry]\nType=Application\nExec=sh %U\nHidden=true\n", false},
        {"missing program", "[Desktop Entry]\nType=Application\nExec=/nonexistent/calc %U\n",
         false},
        {"missing TryExec", "[Desktop Entry]\nType=Application\nTryExec=no-such-calc\nExec=sh\n",
         false},
        {"a link, not an application", "[Desktop Entry]\nType=Link\nURL=http://x\nExec=sh\n",
         false},
        {"Exec of another group",
         "[Desktop Entry]\nType=Application\n[Desktop Action New]\nExec=sh\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Write(Apps("calc.desktop"), c.entry);
        EXPECT_EQ(DesktopEntryCanStart(Apps("calc.desktop")), c.canStart);
    }
    EXPECT_FALSE(DesktopEntryCanStart(Apps("none.desktop")));
}

TEST_F(DesktopHandlerTest, EntriesAreFoundInTheDataFoldersAndTheirSubfolders) {
    Write(Apps("calc.desktop"), "x");
    Write(dir.filePath("share/applications/vendor/sheet.desktop"), "x");
    EXPECT_EQ(FindDesktopEntry("calc.desktop"), Apps("calc.desktop"));
    EXPECT_EQ(FindDesktopEntry("vendor-sheet.desktop"),
              dir.filePath("share/applications/vendor/sheet.desktop"));
    EXPECT_EQ(FindDesktopEntry("other.desktop"), QString());
    EXPECT_EQ(FindDesktopEntry("../calc.desktop"), QString());
    EXPECT_EQ(FindDesktopEntry(QString()), QString());
}

TEST_F(DesktopHandlerTest, WorkbooksHaveAnApplicationOnlyWhenItsProgramIsThere) {
    if (QStandardPaths::findExecutable("xdg-mime").isEmpty())
        GTEST_SKIP() << "xdg-mime missing (xdg-utils; scripts/deps installs it)";
    Platform platform;
    EXPECT_FALSE(platform.HasApplicationFor(kXlsx)); // nothing registered

    MakeDefault("calc.desktop");
    EXPECT_FALSE(platform.HasApplicationFor(kXlsx)); // registered, but no entry

    Write(Apps("calc.desktop"), "[Desktop Entry]\nType=Application\nExec=/nonexistent/calc %U\n");
    EXPECT_FALSE(platform.HasApplicationFor(kXlsx));

    Write(Apps("calc.desktop"), "[Desktop Entry]\nType=Application\nExec=sh -c true %U\n");
    EXPECT_EQ(DefaultApplicationId(kXlsx), "calc.desktop");
    EXPECT_TRUE(platform.HasApplicationFor(kXlsx));
}

} // namespace
