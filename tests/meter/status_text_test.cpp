#include "meter/status_text.h"

#include <gtest/gtest.h>

using namespace ormix::meter;

namespace {
const QString kBattery = QStringLiteral("Разряд батареи таймера календаря.");
const QString kDdm = QStringLiteral("ДДМ не описан");
const QString kViolation = QStringLiteral("Фиксация нарушения режима потребления.");
const QString kChannel0 = QStringLiteral("Канал 0 вышел из класса (0<Ф=В).");
const QString kHidden =
    QStringLiteral("Либо скрытое подключение до счетчика, либо ток утечки на землю до счетчика");

TEST(StatusText, MainWindowLines) {
    const struct {
        int status, firmware;
        QStringList lines;
    } cases[] = {
        {0x00, 6, {}},
        {0x91, 5, {kBattery, kViolation, kChannel0}},
        {0x91, 6, {kDdm, kViolation, kChannel0}},
        {0xFF, 6, {QStringLiteral("Счетчик выключен !!!")}},
        {0xFF, 10, {QStringLiteral("Счетчик выключен !!!")}},
        {0xFF,
         5,
         {kBattery, QStringLiteral("Дата и время таймера не установлены."),
          QStringLiteral("Неисправность таймера календаря."), kViolation, kHidden}},
        {0x07, 6, {QStringLiteral("Связь с ДДМ восстановлена.")}},
        {0x20, 6, {QStringLiteral("Неисправность таймера календаря.")}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MainStatusLines(c.status, c.firmware), c.lines)
            << "status " << c.status << " firmware " << c.firmware;
}

TEST(StatusText, DialogLines) {
    const QString combined =
        QStringLiteral("ДДМ не описан. (Для ORMIX-1: Разряд батареи таймера календаря.)");
    EXPECT_EQ(DialogStatusLines(255), QStringList{QStringLiteral("Счетчик выключен.")});
    EXPECT_EQ(DialogStatusLines(11), QStringList{kHidden});
    EXPECT_EQ(DialogStatusLines(15), QStringList{kHidden});
    EXPECT_EQ(DialogStatusLines(1), QStringList{kChannel0});
    EXPECT_EQ(DialogStatusLines(0x91), (QStringList{combined, kViolation, kChannel0}));
    EXPECT_EQ(DialogStatusLines(0x81), (QStringList{combined, kChannel0}));
    EXPECT_TRUE(DialogStatusLines(0).isEmpty());
}

TEST(StatusText, EventTextsKeepTheirOddCharacters) {
    // Codes 3 and 4 name the channel with the Latin B; everywhere else it is Cyrillic В.
    EXPECT_EQ(StatusEventText(3), QStringLiteral("Канал B вышел из класса (B>0=Ф)."));
    EXPECT_EQ(StatusEventText(4), QStringLiteral("Канал B вышел из класса (B<0=Ф)."));
    EXPECT_TRUE(StatusEventText(3).contains(QChar(u'B')));
    EXPECT_FALSE(StatusEventText(5).contains(QChar(u'B')));
    EXPECT_TRUE(StatusEventText(5).contains(QChar(u'В')));
    EXPECT_EQ(StatusEventText(12),
              QStringLiteral("Обрыв, КЗ или шунтирование датчика \"Внешний\"."));
    EXPECT_EQ(StatusEventText(13), QStringLiteral("Разбаланс каналов (В < Ш."));
    EXPECT_EQ(StatusEventText(14), QStringLiteral("Разбаланс каналов (В > Ш."));
    EXPECT_EQ(StatusEventText(0), QString());
}

TEST(StatusText, UnchangedStatusLeavesTheBox) {
    EXPECT_EQ(StatusUpdate(0x00, 0, 6), std::nullopt); // status 0 after a clearing
    EXPECT_EQ(StatusUpdate(0x91, 0x91, 6), std::nullopt);
    EXPECT_EQ(StatusUpdate(0x91, 0, 6), MainStatusLines(0x91, 6));
    EXPECT_EQ(StatusUpdate(0x00, 0x91, 6), QStringList{}); // a cleared status empties the box
}
} // namespace
