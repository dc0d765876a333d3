// Modal message boxes and the file-open dialog, all through one object, so
// a test can answer them in advance instead of a person.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>

class QWidget;

namespace tarvolin::ui {

class Prompter {
 public:
  // An OK box titled "Tarvolin". A CR, LF or CR LF starts a new line.
  void Inform(QWidget* parent, const QString& text);
  // A Yes/No box titled "Tarvolin", Yes the default; true for Yes.
  bool AskYesNo(QWidget* parent, const QString& text);
  // The file-open dialog over all files, starting at `startFile` or, when
  // that is empty, in the current folder: the chosen file, or empty when
  // cancelled.
  QString OpenFile(QWidget* parent, const QString& startFile);

  // From now on nothing is shown: each prompt takes the next of these
  // answers ("yes", "no", a file name, "" to cancel), or "" when none is
  // left, and is recorded in Asked() as "title: text" with the answer.
  void AnswerInAdvance(const QStringList& answers);
  const QStringList& Asked() const { return asked_; }

 private:
  bool Scripted(const QString& text, QString* answer);

  bool scripted_ = false;
  std::deque<QString> answers_;
  QStringList asked_;
};

}  // namespace tarvolin::ui
