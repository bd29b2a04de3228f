// The settings store: names without regard to case, defaults, sections.
#include "common/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using common::SettingsStore;

TEST(SettingsStore, NamesCompareWithoutCase) {
    QTemporaryDir dir;
    SettingsStore s(dir.path());
    s.SaveSetting("Kvintor", "rfUoz", "Left", "120");
    EXPECT_EQ(s.GetSetting("Kvintor", "rfUOZ", "left", "x"), "120");
    s.SaveSetting("Kvintor", "RFUOZ", "LEFT", "");
    EXPECT_EQ(s.GetSetting("Kvintor", "rfUoz", "Left", "x"), "");
    EXPECT_EQ(s.sections("Kvintor"), QStringList{"rfUoz"});
    // Cyrillic key names too.
    s.SaveSetting("Kvintor", "fNastr", "ВыбрПорт", "2");
    EXPECT_EQ(s.GetSetting("Kvintor", "FNASTR", "выбрпорт", "0"), "2");
    // Another case of a stored key replaces its value; no second key.
    s.SaveSetting("Kvintor", "fnastr", "dtr", "0");
    s.SaveSetting("Kvintor", "FNASTR", "DTR", "1");
    QFile f(s.fileFor("Kvintor"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).toLower().count("dtr="), 1);
    EXPECT_EQ(s.GetSetting("Kvintor", "fNastr", "Dtr", "x"), "1");
}

TEST(SettingsStore, AFailedWriteSaysWhy) {
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/settings");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore s(dir.path() + "/settings");
    EXPECT_FALSE(s.SaveSetting("Kvintor", "fNastr", "DTR", "1"));
    EXPECT_TRUE(s.lastError().contains(QStringLiteral("находится файл"))) << s.lastError().toStdString();
    SettingsStore good(dir.path() + "/fine");
    EXPECT_TRUE(good.SaveSetting("Kvintor", "fNastr", "DTR", "1"));
}

TEST(SettingsStore, DefaultsAndApplicationsApart) {
    QTemporaryDir dir;
    SettingsStore s(dir.path() + "/deeper/folder");
    EXPECT_EQ(s.GetSetting("Kvintor", "fNastr", "SysDin", "1"), "1");
    s.SaveSetting("Fermel", "fNastr", "SysDin", "0");
    EXPECT_EQ(s.GetSetting("Kvintor", "fNastr", "SysDin", "1"), "1");
    EXPECT_EQ(s.GetSetting("Fermel", "fNastr", "SysDin", "1"), "0");
    EXPECT_TRUE(QFile::exists(s.fileFor("Fermel")));
    EXPECT_TRUE(s.fileFor("Fermel").startsWith(dir.path()));
}

TEST(SettingsStore, DeleteSectionLeavesTheOthers) {
    QTemporaryDir dir;
    SettingsStore s(dir.path());
    s.SaveSetting("Kvintor", "InitTest", "WindSt", "2");
    s.SaveSetting("Kvintor", "fNastr", "DTR", "1");
    s.DeleteSection("Kvintor", "INITTEST");
    s.DeleteSection("Kvintor", ""); // names nothing
    EXPECT_EQ(s.GetSetting("Kvintor", "InitTest", "WindSt", "0"), "0");
    EXPECT_EQ(s.GetSetting("Kvintor", "fNastr", "DTR", "0"), "1");
}
