#include "ui/prompter.h"

#include "bar/view.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace tarvolin::ui {

namespace {

constexpr char kTitle[] = "Tarvolin";

// Qt's boxes only know LF.
QString BoxText(const QString& text) {
  return QString::fromStdString(bar::MessageText(text.toStdString(), "\n"));
}

// Window managers do not all hand the focus back to the window a box or a
// file dialog was opened from once it closes (openbox leaves it nowhere):
// the program asks for it itself, and the window's focus widget gets it.
void ReturnFocus(QWidget* parent) {
  if (parent != nullptr && parent->isVisible()) {
    parent->window()->raise();
    parent->window()->activateWindow();
  }
}

}  // namespace

void Prompter::AnswerInAdvance(const QStringList& answers) {
  scripted_ = true;
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

bool Prompter::Scripted(const QString& text, QString* answer) {
  if (!scripted_) {
    return false;
  }
  *answer = answers_.empty() ? QString() : answers_.front();
  if (!answers_.empty()) {
    answers_.pop_front();
  }
  asked_ << text + QStringLiteral(" -> ") + *answer;
  return true;
}

void Prompter::Inform(QWidget* parent, const QString& text) {
  QString answer;
  if (Scripted(QLatin1String(kTitle) + QStringLiteral(": ") + text, &answer)) {
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QLatin1String(kTitle), BoxText(text), QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  ReturnFocus(parent);
}

bool Prompter::AskYesNo(QWidget* parent, const QString& text) {
  QString answer;
  if (Scripted(QLatin1String(kTitle) + QStringLiteral(": ") + text, &answer)) {
    return answer == QLatin1String("yes");
  }
  QMessageBox box(QMessageBox::NoIcon, QLatin1String(kTitle), BoxText(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  const bool yes = box.exec() == QMessageBox::Yes;
  ReturnFocus(parent);
  return yes;
}

QString Prompter::OpenFile(QWidget* parent, const QString& startFile) {
  QString answer;
  if (Scripted(QStringLiteral("open file"), &answer)) {
    return answer;
  }
  QString chosen = QFileDialog::getOpenFileName(
      parent, QString(), startFile.isEmpty() ? QDir::currentPath() : startFile);
  ReturnFocus(parent);
  return chosen;
}

}  // namespace tarvolin::ui
