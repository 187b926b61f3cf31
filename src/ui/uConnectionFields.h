#pragma once
// The connection fields the login and settings windows share: server address and port, terminal
// number, password and the auto-hide choice, filled from the settings, checked and stored alike.

#include "core/uIniParams.h"

#include <QString>

class QCheckBox;
class QLineEdit;

struct TConnectionFields {
  QLineEdit* Host = nullptr;
  QLineEdit* Port = nullptr;
  QLineEdit* User = nullptr;
  QLineEdit* Password = nullptr;
  QCheckBox* AutoHide = nullptr;

  void Fill(const TIniParams& params) const;
  // The message for the first of address and port that does not pass, or "" when both do.
  QString ServerError() const;
  // The trimmed texts, the port as a number and the check box.
  void Store(TIniParams& params) const;
};
