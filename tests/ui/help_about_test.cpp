// The help and about windows, created after the main window as the program creates them
// and opened from the menu "&?".
#include "link/error_report.h"
#include "ui/about_box.h"
#include "ui/app_icon.h"
#include "ui/help_document.h"
#include "ui/help_window.h"
#include "ui/link_label.h"
#include "ui/memory_lines.h"
#include "ui/rtf/rtf_reader.h"
#include "ui_test_util.h"

#include <QFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>

using namespace ormix::link;
using namespace ormix::platform;
using namespace ormix::emulator;

using namespace ormix::ui;

namespace {

// ---- the memory lines ---------------------------------------------------------------

struct MemoryCase {
    const char *name;
    QLocale locale;
    std::uint64_t bytes;
    QString kilobytes; // "#,###" of bytes / 1024
};

class MemoryFormat : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(MemoryFormat, GroupsTheRoundedKilobytes) {
    EXPECT_EQ(FormatKilobytes(GetParam().bytes, GetParam().locale), GetParam().kilobytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryFormat,
    ::testing::Values(
        MemoryCase{"TwoGigabytesWithCommas", QLocale(QLocale::English, QLocale::UnitedStates),
                   2147483648ULL, "2,097,152"},
        MemoryCase{"CLocaleGroupsToo", QLocale::c(), 2147483648ULL, "2,097,152"},
        MemoryCase{"GermanPoints", QLocale(QLocale::German, QLocale::Germany), 2147483648ULL,
                   "2.097.152"},
        MemoryCase{"RussianSpaces", QLocale(QLocale::Russian, QLocale::Russia), 2147483648ULL,
                   "2\u00A0097\u00A0152"},
        MemoryCase{"BelowHalfAKilobyteIsEmpty", QLocale::c(), 511, ""},
        MemoryCase{"HalfAKilobyteRoundsUp", QLocale::c(), 512, "1"},
        MemoryCase{"RoundsToTheNearest", QLocale::c(), 1535, "1"},
        MemoryCase{"RoundsHalfUp", QLocale::c(), 1536, "2"},
        MemoryCase{"NoGroupBelowAThousand", QLocale::c(), 999 * 1024, "999"},
        MemoryCase{"SixteenTerabytes", QLocale::c(), 17592186044416ULL, "17,179,869,184"}),
    [](const auto &info) { return info.param.name; });

TEST(MemoryLines, EmptyQuotientShowsAsZero) {
    MemoryStatus m;
    m.totalPhys = 2147483648ULL;
    m.availPhys = 511;
    const MemoryLines lines = MakeMemoryLines(m, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(lines.total, "Всего физической памяти: 2,097,152 KB");
    EXPECT_EQ(lines.available, "Доступно физической памяти: 0 KB");
    m.availPhys = 1024 * 1234;
    EXPECT_EQ(MakeMemoryLines(m, QLocale::c()).available, "Доступно физической памяти: 1,234 KB");
}

// ---- the windows -------------------------------------------------------------------

// The manual's first heading, from its source: the document installed must show it.
QString manualTitle() {
    QFile f(ORMIX_MANUAL_SOURCE);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readLine()).mid(2).trimmed();
}

class HelpAboutTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // No document of an installed copy may be found instead of the test's own.
        qputenv("XDG_DATA_HOME", (work.path() + "/no-data-home").toUtf8());
        qputenv("XDG_DATA_DIRS", (work.path() + "/no-data-dirs").toUtf8());
        SetErrorReportHandler([this](const QString &m) { errors << m; });
        QApplication::setWindowIcon(ApplicationIcon());
    }
    void TearDown() override {
        SetErrorReportHandler(nullptr);
        WindowTest::TearDown();
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

    // The windows after the main window, as the program entry makes them.
    void CreateWindows() {
        CreateForm();
        about = new TAboutBox(form.get());
        help = new TFormHelp(form.get());
        form->AttachWindows(about, nullptr, nullptr, help);
    }
    TAboutBox *About() { return about; }
    TFormHelp *Help() { return help; }
    TAboutBox *about{};
    TFormHelp *help{};

    static void PutManualInto(const QString &dir) {
        QFile::remove(dir + "/Help_ormix.rtf");
        ASSERT_TRUE(QFile::copy(ORMIX_HELP_DOCUMENT, dir + "/Help_ormix.rtf"));
    }

    // Opens `dialog` through `menu` (a modal loop), runs `inside` while it is shown, and
    // closes it with `close` unless `inside` did.
    void WhileOpen(QAction *menu, QDialog *dialog, const std::function<void()> &inside) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(WaitFor([&] { return QApplication::activeModalWidget() == dialog; }));
            inside();
            ran = true;
            if (dialog->isVisible()) dialog->reject();
        });
        menu->trigger();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(dialog->isVisible());
    }

    // Centred over the main window, moved inside the screen where that would leave it
    // (the offscreen screen is smaller than the main window).
    QPoint CentredOverMain(QSize size) const {
        const QRect screen = form->screen()->availableGeometry();
        QPoint p = form->geometry().center() - QPoint(size.width() / 2, size.height() / 2);
        p.setX(std::clamp(p.x(), screen.left(), screen.right() - size.width() + 1));
        p.setY(std::clamp(p.y(), screen.top(), screen.bottom() - size.height() + 1));
        return p;
    }

    QStringList errors;
};

TEST_F(HelpAboutTest, HelpShowsTheManualFromTheWorkingDirectory) {
    PutManualInto(work.path());
    CreateWindows();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    TFormHelp &h = *Help();
    EXPECT_EQ(h.DocumentPath(), QDir(work.path()).filePath("Help_ormix.rtf"));
    EXPECT_EQ(FirstHeading(*h.RichEdit1->document()), manualTitle());
    EXPECT_TRUE(h.RichEdit1->toPlainText().contains("Если счетчик не отвечает"));
    EXPECT_EQ(h.windowTitle(), "Справка");
    EXPECT_EQ(h.size(), QSize(640, 480));
    EXPECT_TRUE(h.RichEdit1->isReadOnly());
    EXPECT_EQ(h.RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(h.Button1->text(), "Выход");
    EXPECT_EQ(h.Button1->parentWidget(), h.Panel1);
}

TEST_F(HelpAboutTest, HelpOpensAtTheTopCentredAndScrollsAndEscCloses) {
    PutManualInto(work.path());
    CreateWindows();
    TFormHelp *h = Help();
    WhileOpen(Find<QAction>("NHelp"), h, [&] {
        EXPECT_EQ(h->RichEdit1->verticalScrollBar()->value(), 0);
        EXPECT_LE((h->geometry().topLeft() - CentredOverMain(h->size())).manhattanLength(), 2);
        EXPECT_EQ(h->focusWidget(), h->RichEdit1);
        QTest::keyClick(h->RichEdit1, Qt::Key_PageDown);
        EXPECT_GT(h->RichEdit1->verticalScrollBar()->value(), 0);
        QTest::keyClick(h, Qt::Key_Escape);
        EXPECT_FALSE(h->isVisible());
    });
    WhileOpen(Find<QAction>("NHelp"), h, [&] { h->Button1->click(); });
}

TEST_F(HelpAboutTest, HelpWithoutADocumentReportsOnceAndIsNotLookedForAgain) {
    CreateWindows();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("Help_ormix.rtf")) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(work.path())) << errors[0].toStdString();
    EXPECT_TRUE(Help()->RichEdit1->document()->isEmpty());
    EXPECT_EQ(Help()->DocumentPath(), "");
    // The document is read at start-up only.
    PutManualInto(work.path());
    WhileOpen(Find<QAction>("NHelp"), Help(),
              [&] { EXPECT_TRUE(Help()->RichEdit1->document()->isEmpty()); });
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(HelpAboutTest, HelpThatCannotBeReadLeavesAnEmptyView) {
    struct {
        const char *name;
        std::function<void(const QString &path)> make;
        QString says;
    } cases[] = {
        {"a folder", [](const QString &p) { QDir().mkpath(p); }, "Не удалось прочитать"},
        {"not RTF",
         [](const QString &p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("Справка без разметки");
         },
         "не является документом RTF"},
        {"too large",
         [](const QString &p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             ASSERT_TRUE(f.resize(kHelpDocumentMaxBytes + 1));
         },
         "слишком велик"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("Help_ormix.rtf");
        c.make(path);
        QTextDocument doc;
        doc.setPlainText("old");
        const HelpLoadResult r = LoadHelpDocument({dir.path()}, doc);
        EXPECT_EQ(r.path, path);
        EXPECT_TRUE(r.error.contains(c.says)) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(path)) << r.error.toStdString();
        EXPECT_TRUE(doc.isEmpty());
    }
}

TEST(HelpDocumentLookup, CurrentDirectoryThenProgramThenDataFolders) {
    EXPECT_EQ(HelpDocumentFolders("/home/op", "/usr/bin", {"/usr/local/share", "/usr/share"}),
              (QStringList{"/home/op", "/usr/bin", "/usr/share/ormix", "/usr/local/share/ormix"}));
    // Started from its own folder: each folder once.
    EXPECT_EQ(HelpDocumentFolders("/usr/bin", "/usr/bin", {"/usr/share"}),
              (QStringList{"/usr/bin", "/usr/share/ormix"}));

    QTemporaryDir first, second;
    for (const QString &dir : {first.path(), second.path()}) {
        QFile f(dir + "/Help_ormix.rtf");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1{\\outlinelevel0 " + dir.toUtf8() + "\\par}}");
    }
    QTextDocument doc;
    const HelpLoadResult r = LoadHelpDocument({"/nonexistent", first.path(), second.path()}, doc);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.path, first.filePath("Help_ormix.rtf"));
    EXPECT_EQ(FirstHeading(doc), first.path());
}

TEST_F(HelpAboutTest, AboutShowsTheProgramAndRefreshesMemoryAtEveryOpening) {
    platform.memory.totalPhys = 2147483648ULL;
    platform.memory.availPhys = 1024 * 1000;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    CreateWindows();
    TAboutBox *a = About();
    EXPECT_EQ(a->windowTitle(), "О программе");
    EXPECT_EQ(a->ProductName->text(), "3-х тарифный эл. счетчик");
    EXPECT_TRUE(a->ProductName->font().bold());
    EXPECT_EQ(a->Label11->text(), "Программирование ORMIX-2 и KASTOR-5");
    EXPECT_TRUE(a->Label11->font().bold());
    EXPECT_EQ(a->Version->text(), "Версия 1.16");
    EXPECT_TRUE(a->BuildVersion->text().startsWith("Сборка " ORMIX_PROJECT_VERSION))
        << a->BuildVersion->text().toStdString();
    EXPECT_EQ(a->Image2->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(a->Image1->pixmap().size(), QSize(165, 93));
    EXPECT_EQ(a->GroupBox1->title(), "Наши координаты");
    EXPECT_TRUE(a->OKButton->isDefault());
    EXPECT_EQ(a->OKButton->text(), "OK");

    WhileOpen(Find<QAction>("NAbout"), a, [&] {
        EXPECT_LE((a->geometry().topLeft() - CentredOverMain(a->size())).manhattanLength(), 2);
        EXPECT_EQ(a->Label1->text(), "Всего физической памяти: 2,097,152 KB");
        EXPECT_EQ(a->Label2->text(), "Доступно физической памяти: 1,000 KB");
        a->OKButton->click();
    });
    platform.memory.availPhys = 100; // below half a kilobyte
    WhileOpen(Find<QAction>("NAbout"), a, [&] {
        EXPECT_EQ(a->Label2->text(), "Доступно физической памяти: 0 KB");
        a->OKButton->click();
    });
}

TEST_F(HelpAboutTest, AboutLinksOpenWithTheDesktopsPrograms) {
    {
        auto s = Settings();
        s->setValue("About/Web", "www.example.org/service");
        s->setValue("About/EMail", "service@example.org");
    }
    CreateWindows();
    TAboutBox *a = About();
    WhileOpen(Find<QAction>("NAbout"), a, [&] {
        QTest::mouseClick(a->Label3, Qt::LeftButton);
        QTest::mouseClick(a->Label6, Qt::LeftButton);
        a->Label3->setFocus();
        QTest::keyClick(a->Label3, Qt::Key_Return);
    });
    EXPECT_EQ(platform.linksOpened, (QList<QUrl>{QUrl("http://www.example.org/service"),
                                                 QUrl("mailto:service@example.org"),
                                                 QUrl("http://www.example.org/service")}));
}

} // namespace
