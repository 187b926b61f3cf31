#pragma once
// The lines of a profile (INI) file and where its sections and keys are: finds a value and
// changes one while every other line stays as it was. Knows nothing of files or code pages.

#include <QString>
#include <QStringList>

#include <optional>

class TProfileText {
 public:
  // Accepts CR LF and LF-only line ends.
  explicit TProfileText(const QString& text);

  // The value of the first matching key of the first matching section, blanks trimmed and one
  // pair of matching quotes stripped; nothing when the section or the key is missing.
  std::optional<QString> Value(const QString& section, const QString& key) const;

  // Replaces the first matching key's line in place, or adds the key after the last key of the
  // first matching section, or adds the section with the key at the end.
  void SetValue(const QString& section, const QString& key, const QString& value);

  // Every line followed by CR LF.
  QString Text() const;

 private:
  struct TKeyAt {
    qsizetype Line = -1;
    QString Name;  // as spelled in the file
    QString Value;
  };

  qsizetype FindSection(const QString& section) const;
  // The line after the section's body: the next section header or the end of the file.
  qsizetype SectionEnd(qsizetype header) const;
  std::optional<TKeyAt> FindKey(qsizetype header, const QString& key) const;

  QStringList FLines;
};
