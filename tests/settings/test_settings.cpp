#include "core/uIniParams.h"
#include "platform/TProfileFile.h"
#include "support/FileSizeLimit.h"
#include "support/QtPrinters.h"
#include "support/TempIni.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class SettingsTest : public TempIniTest {
 protected:
  // Every loaded field away from its default, so a field that loading skips shows.
  static TIniParams Unusual() {
    TIniParams p;
    p.LoopPointPlay = false;
    p.WebPort = 8080;
    p.SvrHost = QStringLiteral("10.1.2.3");
    p.SvrPort = 9100;
    p.SvrUser = QStringLiteral("教室01");
    p.SvrPassword = QStringLiteral("p=w#;d");
    p.IsFirstUse = false;
    p.AutoHide = false;
    p.AutoHideCaption = QStringLiteral("x");
    p.DirectPlayMsg.Url = QStringLiteral("rtmp://live/a?b=1&c=2");
    p.DirectPlayMsg.Title = QStringLiteral("直播");
    p.NotifyPageMsg.Url = QStringLiteral("http://notice/n.html");
    p.UpdateVersion = QStringLiteral("3.0");
    return p;
  }

  static void ExpectLoadedFieldsEqual(const TIniParams& actual, const TIniParams& expected) {
    EXPECT_EQ(actual.LoopPointPlay, expected.LoopPointPlay);
    EXPECT_EQ(actual.WebPort, expected.WebPort);
    EXPECT_EQ(actual.SvrHost, expected.SvrHost);
    EXPECT_EQ(actual.SvrPort, expected.SvrPort);
    EXPECT_EQ(actual.SvrUser, expected.SvrUser);
    EXPECT_EQ(actual.SvrPassword, expected.SvrPassword);
    EXPECT_EQ(actual.IsFirstUse, expected.IsFirstUse);
    EXPECT_EQ(actual.AutoHide, expected.AutoHide);
    EXPECT_EQ(actual.AutoHideCaption, expected.AutoHideCaption);
    EXPECT_EQ(actual.DirectPlayMsg.Url, expected.DirectPlayMsg.Url);
    EXPECT_EQ(actual.DirectPlayMsg.Title, expected.DirectPlayMsg.Title);
    EXPECT_EQ(actual.NotifyPageMsg.Url, expected.NotifyPageMsg.Url);
    EXPECT_EQ(actual.UpdateVersion, expected.UpdateVersion);
  }

  TProfileFile FFile{Path()};
};

TEST_F(SettingsTest, NoFileGivesTheDefaults) {
  TIniParams params = Unusual();
  LoadSettings(FFile, params);

  TIniParams expected;
  expected.AutoHideCaption = kAutoHideCaption;
  ExpectLoadedFieldsEqual(params, expected);
  EXPECT_EQ(params.SvrPort, 9000);
  EXPECT_TRUE(params.SvrHost.isEmpty());
  EXPECT_EQ(params.UpdateVersion, "2.6");
  EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(SettingsTest, LoadsEveryKeyAndLeavesIsFirstUseAsStored) {
  Put("[update]\r\nversion=3.0\r\n"
      "[NotifyPage]\r\nUrl=http://notice/n.html\r\n"
      "[DirectPlay]\r\nUrl=rtmp://live/a?b=1&c=2\r\nTitle=\xD6\xB1\xB2\xA5\r\n"  // 直播
      "[Svr]\r\nHost=10.1.2.3\r\nPort=9100\r\nSvrUser=\xBD\xCC\xCA\xD2" "01\r\nPassword=p=w#;d\r\n"  // 教室01
      "[Web]\r\nPort=8080\r\n"
      "[APP]\r\nLoopPointPlay=0\r\nIsFirstUse=0\r\nAutoHide=0\r\n");
  TIniParams params;
  LoadSettings(FFile, params);

  TIniParams expected = Unusual();
  expected.AutoHideCaption = kAutoHideCaption;
  ExpectLoadedFieldsEqual(params, expected);
}

TEST_F(SettingsTest, ServerPortReadsHexAndFallsBackOnGarbage) {
  // A hex value other than the default, so a broken hex reading cannot pass as the fallback.
  const std::pair<QByteArray, std::int32_t> cases[] = {{"0x2329", 9001}, {"abc", 9000}, {"$1F90", 8080}};
  for (const auto& [value, port] : cases) {
    SCOPED_TRACE(value.toStdString());
    Put("[Svr]\r\nPort=" + value + "\r\n");
    TIniParams params;
    params.SvrPort = 1;
    LoadSettings(FFile, params);
    EXPECT_EQ(params.SvrPort, port);
  }
}

TEST_F(SettingsTest, SaveWritesTheElevenKeysInOrderAndLeavesTheVersion) {
  Put("[update]\r\nversion=3.1\r\n");
  TIniParams params = Unusual();
  params.UpdateVersion = QStringLiteral("9.9");
  SaveSettings(FFile, params);

  const QByteArray expected =
      "[update]\r\nversion=3.1\r\n"
      "\r\n[APP]\r\nLoopPointPlay=0\r\nIsFirstUse=0\r\nAutoHide=0\r\n"
      "\r\n[Web]\r\nPort=8080\r\n"
      "\r\n[Svr]\r\nHost=10.1.2.3\r\nPort=9100\r\nSvrUser=\xBD\xCC\xCA\xD2" "01\r\nPassword=p=w#;d\r\n"
      "\r\n[DirectPlay]\r\nUrl=rtmp://live/a?b=1&c=2\r\nTitle=\xD6\xB1\xB2\xA5\r\n"
      "\r\n[NotifyPage]\r\nUrl=http://notice/n.html\r\n";
  EXPECT_EQ(Bytes(), expected);

  // A second save replaces every value where it stands.
  params.SvrPort = 9000;
  SaveSettings(FFile, params);
  QByteArray afterSecond = expected;
  afterSecond.replace("Port=9100", "Port=9000");
  EXPECT_EQ(Bytes(), afterSecond);
}

TEST_F(SettingsTest, SavedSettingsLoadBackUnchanged) {
  const TIniParams saved = Unusual();
  SaveSettings(FFile, saved);

  TIniParams loaded;
  LoadSettings(FFile, loaded);
  TIniParams expected = saved;
  expected.AutoHideCaption = kAutoHideCaption;
  expected.UpdateVersion = QStringLiteral("2.6");  // never saved
  ExpectLoadedFieldsEqual(loaded, expected);
}

TEST_F(SettingsTest, FailedSaveKeepsTheKeysWrittenBeforeIt) {
  TIniParams params;
  params.SvrHost = QStringLiteral("h");
  params.SvrUser = QString(1000, u'u');  // this key's write outgrows the limit
  {
    const TFileSizeLimit limit(512);
    EXPECT_THROW(SaveSettings(FFile, params), EProfileWriteError);
  }
  EXPECT_EQ(Bytes(), QByteArray("[APP]\r\nLoopPointPlay=1\r\n"
                                "\r\n[Web]\r\nPort=80\r\n"
                                "\r\n[Svr]\r\nHost=h\r\nPort=9000\r\n"));
}

}  // namespace
