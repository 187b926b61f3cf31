#include "core/uIniParams.h"

#include "platform/TProfileFile.h"

namespace {

const QString kApp = QStringLiteral("APP");
const QString kWeb = QStringLiteral("Web");
const QString kSvr = QStringLiteral("Svr");
const QString kDirectPlay = QStringLiteral("DirectPlay");
const QString kNotifyPage = QStringLiteral("NotifyPage");
const QString kUpdate = QStringLiteral("update");

const QString kLoopPointPlay = QStringLiteral("LoopPointPlay");
const QString kPort = QStringLiteral("Port");
const QString kHost = QStringLiteral("Host");
const QString kSvrUser = QStringLiteral("SvrUser");
const QString kPassword = QStringLiteral("Password");
const QString kIsFirstUse = QStringLiteral("IsFirstUse");
const QString kAutoHide = QStringLiteral("AutoHide");
const QString kUrl = QStringLiteral("Url");
const QString kTitle = QStringLiteral("Title");
const QString kVersion = QStringLiteral("version");

}  // namespace

void LoadSettings(const TProfileFile& file, TIniParams& params) {
  params.LoopPointPlay = file.ReadBool(kApp, kLoopPointPlay, true);
  params.WebPort = file.ReadInteger(kWeb, kPort, 80);
  params.SvrHost = file.ReadString(kSvr, kHost, QString());
  params.SvrPort = file.ReadInteger(kSvr, kPort, 9000);
  params.SvrUser = file.ReadString(kSvr, kSvrUser, QString());
  params.SvrPassword = file.ReadString(kSvr, kPassword, QString());
  params.IsFirstUse = file.ReadBool(kApp, kIsFirstUse, true);
  params.AutoHide = file.ReadBool(kApp, kAutoHide, true);
  params.AutoHideCaption = kAutoHideCaption;
  params.DirectPlayMsg.Url = file.ReadString(kDirectPlay, kUrl, QString());
  params.DirectPlayMsg.Title = file.ReadString(kDirectPlay, kTitle, QString());
  params.NotifyPageMsg.Url = file.ReadString(kNotifyPage, kUrl, QString());
  params.UpdateVersion = file.ReadString(kUpdate, kVersion, QStringLiteral("2.6"));
}

// [update] version is only ever read: the program never writes it.
void SaveSettings(TProfileFile& file, const TIniParams& params) {
  file.WriteBool(kApp, kLoopPointPlay, params.LoopPointPlay);
  file.WriteInteger(kWeb, kPort, params.WebPort);
  file.WriteString(kSvr, kHost, params.SvrHost);
  file.WriteInteger(kSvr, kPort, params.SvrPort);
  file.WriteString(kSvr, kSvrUser, params.SvrUser);
  file.WriteString(kSvr, kPassword, params.SvrPassword);
  file.WriteString(kDirectPlay, kUrl, params.DirectPlayMsg.Url);
  file.WriteString(kDirectPlay, kTitle, params.DirectPlayMsg.Title);
  file.WriteString(kNotifyPage, kUrl, params.NotifyPageMsg.Url);
  file.WriteBool(kApp, kIsFirstUse, params.IsFirstUse);
  file.WriteBool(kApp, kAutoHide, params.AutoHide);
}
