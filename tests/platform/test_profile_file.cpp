#include "platform/TProfileFile.h"
#include "platform/uGbk.h"
#include "support/FileSizeLimit.h"
#include "support/QtPrinters.h"
#include "support/TempIni.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace {

class ProfileFileTest : public TempIniTest {
 protected:
  TProfileFile FFile{Path()};
};

// ---- reading ----

TEST_F(ProfileFileTest, ReadsStringsByTheProfileRules) {
  Put("orphan=before any section\r\n"
      "[App]\r\n"
      "Name=plain\r\n"
      "  Spaced   =   padded value  \r\n"
      "\tTabbed\t=\tx\t\r\n"
      "Dq=\"quoted\"\r\n"
      "Sq=' single '\r\n"
      "Mixed=\"mixed'\r\n"
      "Lone=\"\r\n"
      "Inner=a \"b\" c\r\n"
      "Empty=\r\n"
      "Twice=first\r\n"
      "twice=second\r\n"
      "Eq=a=b\r\n"
      "  [ Other Section ]  \r\n"
      "Name=other\r\n"
      "[app]\r\n"
      "Name=second section\r\n"
      "Late=only in the second\r\n");
  struct Case {
    const char* Section;
    const char* Key;
    QString Expected;
  };
  const QString dflt = QStringLiteral("<default>");
  const Case cases[] = {
      {"App", "Name", "plain"},
      {"APP", "NAME", "plain"},
      {"app", "spaced", "padded value"},
      {"App", "Tabbed", "x"},
      {"App", "Dq", "quoted"},
      {"App", "Sq", " single "},
      {"App", "Mixed", "\"mixed'"},
      {"App", "Lone", "\""},
      {"App", "Inner", "a \"b\" c"},
      {"App", "Empty", ""},
      {"App", "Twice", "first"},
      {"App", "Eq", "a=b"},
      {"other section", "name", "other"},
      {"App", "Late", dflt},  // only the first [App] counts
      {"App", "orphan", dflt},
      {"App", "Missing", dflt},
      {"Nowhere", "Name", dflt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Section) + "/" + c.Key);
    EXPECT_EQ(FFile.ReadString(c.Section, c.Key, dflt), c.Expected);
  }
}

TEST_F(ProfileFileTest, ReadsLfOnlyFiles) {
  Put("[Svr]\nHost=h\nPort=81\n");
  EXPECT_EQ(FFile.ReadString("Svr", "Host", ""), "h");
  EXPECT_EQ(FFile.ReadInteger("Svr", "Port", 0), 81);
}

TEST_F(ProfileFileTest, ReadsIntegersInDecimalOrHex) {
  struct Case {
    QByteArray Value;
    std::optional<std::int32_t> Expected;  // nothing: the default
  };
  const Case cases[] = {
      {"42", 42},
      {"-42", -42},
      {"+7", 7},
      {"  12  ", 12},
      {"\"13\"", 13},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$FF", 255},
      {"$ff", 255},
      {"0x2328", 9000},
      {"0X2328", 9000},
      {"0xFFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"0x100000000", std::nullopt},
      {"abc", std::nullopt},
      {"", std::nullopt},
      {"12abc", std::nullopt},
      {"1.5", std::nullopt},
      {"- 5", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"0xG1", std::nullopt},
      {"0x-1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value.toStdString());
    Put("[N]\r\nK=" + c.Value + "\r\n");
    EXPECT_EQ(FFile.ReadInteger("N", "K", 77), c.Expected.value_or(77));
  }
}

TEST_F(ProfileFileTest, ReadsBooleansAsIntegers) {
  struct Case {
    QByteArray Line;
    bool Default;
    bool Expected;
  };
  const Case cases[] = {
      {"K=0", true, false},   {"K=1", false, true},  {"K=-1", false, true}, {"K=0x0", true, false},
      {"K=abc", true, true},  {"K=abc", false, false}, {"", true, true},     {"", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line.toStdString() + (c.Default ? " default true" : " default false"));
    Put("[N]\r\n" + c.Line + "\r\n");
    EXPECT_EQ(FFile.ReadBool("N", "K", c.Default), c.Expected);
  }
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndStaysMissing) {
  EXPECT_EQ(FFile.ReadString("Svr", "Host", "d"), "d");
  EXPECT_EQ(FFile.ReadInteger("Svr", "Port", 9000), 9000);
  EXPECT_TRUE(FFile.ReadBool("APP", "AutoHide", true));
  EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(ProfileFileTest, EveryReadSeesTheFileAsItIsNow) {
  Put("[Svr]\r\nHost=one\r\n");
  ASSERT_EQ(FFile.ReadString("Svr", "Host", ""), "one");
  Put("[Svr]\r\nHost=two\r\n");
  EXPECT_EQ(FFile.ReadString("Svr", "Host", ""), "two");
}

TEST_F(ProfileFileTest, CapsStringsAt2047GbkBytesOnACharacterBoundary) {
  const QString han(1100, QChar(u'中'));  // two bytes each in GBK
  struct Case {
    QString Value;
    QString Expected;
  };
  const Case cases[] = {
      {QString(2047, u'a'), QString(2047, u'a')},
      {QString(2048, u'a'), QString(2047, u'a')},
      {han, han.first(1023)},                        // 2046 bytes: half a character does not fit
      {u'a' + han, u'a' + han.first(1023)},          // exactly 2047 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value.size());
    Put("[S]\r\nK=" + Gbk::Encode(c.Value) + "\r\n");
    EXPECT_EQ(FFile.ReadString("S", "K", ""), c.Expected);
  }
}

// ---- text on disk ----

TEST_F(ProfileFileTest, KeepsGbkBytesOnDisk) {
  FFile.WriteString("Svr", "SvrUser", QStringLiteral("中文"));
  EXPECT_EQ(Bytes(), QByteArray("[Svr]\r\nSvrUser=\xD6\xD0\xCE\xC4\r\n"));

  Put("[\xC9\xE8\xD6\xC3]\r\n\xC3\xFB\xB3\xC6=\xD6\xD0\xCE\xC4\r\n");  // [设置] 名称=中文
  EXPECT_EQ(FFile.ReadString(QStringLiteral("设置"), QStringLiteral("名称"), ""), QStringLiteral("中文"));
}

TEST_F(ProfileFileTest, NamesDifferingOnlyInATrailByteAreDistinct) {
  // 0x81 0x41 and 0x81 0x61 are two characters; their trail bytes merely look like 'A' and 'a'.
  const QString upper = Gbk::Decode("\x81\x41");
  const QString lower = Gbk::Decode("\x81\x61");
  ASSERT_NE(upper.compare(lower, Qt::CaseInsensitive), 0);
  Put("[S]\r\n\x81\x41=upper\r\n\x81\x61=lower\r\n");
  EXPECT_EQ(FFile.ReadString("S", lower, ""), "lower");
}

// ---- writing ----

TEST_F(ProfileFileTest, WritesInPlaceOrAppendsToTheSectionOrAddsTheSection) {
  struct Case {
    const char* Name;
    std::optional<QByteArray> Before;  // nothing: no file
    const char* Section;
    const char* Key;
    const char* Value;
    QByteArray After;
  };
  const Case cases[] = {
      {"creates the file", std::nullopt, "Svr", "Host", "h", "[Svr]\r\nHost=h\r\n"},
      {"empty file", "", "APP", "A", "1", "[APP]\r\nA=1\r\n"},
      {"replaces in place, keeping the file's spelling of the key",
       "[APP]\r\n; note\r\nA=1\r\n  host =  old  \r\nB=2\r\n", "app", "HOST", "new",
       "[APP]\r\n; note\r\nA=1\r\nhost=new\r\nB=2\r\n"},
      {"appends after the section's last key",
       "[Svr]\r\nHost=h\r\n\r\n; end of Svr\r\n[Web]\r\nPort=80\r\n", "Svr", "Port", "9000",
       "[Svr]\r\nHost=h\r\nPort=9000\r\n\r\n; end of Svr\r\n[Web]\r\nPort=80\r\n"},
      {"appends right after a header without keys", "[Svr]\r\n\r\n[Web]\r\n", "svr", "Host", "h",
       "[Svr]\r\nHost=h\r\n\r\n[Web]\r\n"},
      {"adds the section at the end", "[APP]\r\nA=1\r\n", "Web", "Port", "80",
       "[APP]\r\nA=1\r\n\r\n[Web]\r\nPort=80\r\n"},
      {"adds the section after a last line without line end", "[APP]\r\nA=1", "Web", "Port", "80",
       "[APP]\r\nA=1\r\n\r\n[Web]\r\nPort=80\r\n"},
      {"adds the section after a closing blank line", "[APP]\r\nA=1\r\n\r\n", "Web", "Port", "80",
       "[APP]\r\nA=1\r\n\r\n[Web]\r\nPort=80\r\n"},
      {"a key before any section is no key of the section", "A=1\r\n", "APP", "A", "2",
       "A=1\r\n\r\n[APP]\r\nA=2\r\n"},
      {"replaces the first of two keys", "[APP]\r\nA=1\r\nA=2\r\n[app]\r\nA=3\r\n", "APP", "a", "9",
       "[APP]\r\nA=9\r\nA=2\r\n[app]\r\nA=3\r\n"},
      {"appends to the first of two sections", "[APP]\r\nA=1\r\n[app]\r\nA=3\r\n", "APP", "B", "5",
       "[APP]\r\nA=1\r\nB=5\r\n[app]\r\nA=3\r\n"},
      {"turns LF into CR LF", "[APP]\nA=1\n[Web]\nPort=80\n", "APP", "A", "0",
       "[APP]\r\nA=0\r\n[Web]\r\nPort=80\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    QFile::remove(Path());
    if (c.Before) Put(*c.Before);
    FFile.WriteString(c.Section, c.Key, c.Value);
    EXPECT_EQ(Bytes(), c.After);
  }
}

TEST_F(ProfileFileTest, WritesIntegersInDecimalAndBooleansAsOneAndZero) {
  FFile.WriteInteger("N", "Min", INT32_MIN);
  FFile.WriteBool("N", "Yes", true);
  FFile.WriteBool("N", "No", false);
  EXPECT_EQ(Bytes(), QByteArray("[N]\r\nMin=-2147483648\r\nYes=1\r\nNo=0\r\n"));
  EXPECT_EQ(FFile.ReadInteger("N", "Min", 0), INT32_MIN);
}

TEST_F(ProfileFileTest, WrittenFilesAreTheOwnersAlone) {
  const auto mode = [&] {
    struct stat info {};
    return ::stat(QFile::encodeName(Path()).constData(), &info) == 0 ? info.st_mode & 0777 : 0u;
  };
  FFile.WriteString("Svr", "Password", "secret");  // a new file
  EXPECT_EQ(mode(), 0600u);
  // An older file that others could read keeps its keys and loses the others' access.
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
  FFile.WriteString("Svr", "Host", "10.0.0.1");
  EXPECT_EQ(mode(), 0600u);
  EXPECT_EQ(FFile.ReadString("Svr", "Password", ""), "secret");
}

TEST_F(ProfileFileTest, LineBreaksInAValueCannotAddKeys) {
  FFile.WriteString("NotifyPage", "Url", "http://x/n.html\r\n[Svr]\nHost=evil");
  EXPECT_EQ(Bytes(), QByteArray("[NotifyPage]\r\nUrl=http://x/n.html  [Svr] Host=evil\r\n"));
  EXPECT_EQ(FFile.ReadString("Svr", "Host", "none"), "none");
}

// ---- failing writes ----

TEST_F(ProfileFileTest, RefusedWriteRaisesTheFileName) {
  struct Case {
    const char* Name;
    QString Path;
  };
  const QString directory = FDir.filePath(QStringLiteral("设置.ini"));
  ASSERT_TRUE(QDir().mkdir(directory));
  const Case cases[] = {
      {"the name is a directory", directory},
      {"the directory is missing", FDir.filePath(QStringLiteral("missing/Setting.ini"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TProfileFile file(c.Path);
    try {
      file.WriteString("Svr", "Host", "h");
      ADD_FAILURE() << "no EProfileWriteError";
    } catch (const EProfileWriteError& e) {
      EXPECT_EQ(QByteArray(e.what()), ("Unable to write to " + c.Path).toUtf8());
    }
  }
}

TEST_F(ProfileFileTest, RefusesAReadOnlyFile) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not stop root";
  Put("[Svr]\r\nHost=old\r\n");
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  EXPECT_THROW(FFile.WriteString("Svr", "Host", "new"), EProfileWriteError);
  EXPECT_EQ(Bytes(), QByteArray("[Svr]\r\nHost=old\r\n"));
}

TEST_F(ProfileFileTest, FailedWriteLeavesTheFileWhole) {
  const QByteArray before = "[Svr]\r\nHost=old\r\n";
  Put(before);
  {
    const TFileSizeLimit limit(64);
    EXPECT_THROW(FFile.WriteString("Svr", "Host", QString(200, u'x')), EProfileWriteError);
  }
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Setting.ini"});
}

}  // namespace
