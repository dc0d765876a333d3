// The list unrolled from the bar: a frameless window in front of the rest
// that never takes the keyboard focus, drawn row by row as the rules give
// it.
#pragma once

#include <QHash>
#include <QIcon>
#include <QWidget>

#include "bar/view.h"

namespace tarvolin::ui {

class CandidateListWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CandidateListWindow(QWidget* bar);
  // Shows the list, or changes the one shown.
  void Show(const bar::CandidateList& list);
  const bar::CandidateList& Shown() const { return list_; }
  // The middle of a row, in the window's own pixels.
  QPoint RowCenter(int row) const;

 signals:
  void Clicked(int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int RowHeight() const;
  const QIcon& IconOf(const std::string& icon);

  bar::CandidateList list_;
  // Themed icons are looked up once each: a lookup reads the theme's
  // folders.
  QHash<QString, QIcon> icons_;
};

}  // namespace tarvolin::ui
