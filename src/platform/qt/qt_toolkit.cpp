#include "platform/qt/qt_toolkit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/twips.h"

namespace tarvolin::platform {

namespace {

class QtTimer : public Timer {
 public:
  explicit QtTimer(int intervalMs) {
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (Tick) {
        Tick();
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

QRect PrimaryGeometry() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
}

// Message texts break lines with CR (as the Windows boxes do), LF or CR LF;
// Qt's boxes only know LF.
QString MessageText(const std::string& text) {
  QString result = ToQString(text);
  result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

}  // namespace

QtToolkit::QtToolkit() {
  // The bar lives on while it hides in the notification area and while its
  // dialogs open and close; only the program's own commands end it.
  QApplication::setQuitOnLastWindowClosed(false);
  // The forms' design tables were laid out for a small dialog font of
  // Arial's widths; at the desktop's usual 10 points, or in a wider face,
  // their captions would not fit their controls. Liberation Sans has Arial's
  // widths; where it is missing the desktop's own face stands in.
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("Liberation Sans"), font.family()});
  font.setPointSizeF(8);
  QApplication::setFont(font);
}

QtToolkit::~QtToolkit() = default;

std::unique_ptr<Window> QtToolkit::CreateForm(const FormDesign& design) {
  return std::make_unique<QtWindow>(design);
}

std::unique_ptr<Timer> QtToolkit::CreateTimer(int intervalMs) {
  return std::make_unique<QtTimer>(intervalMs);
}

float QtToolkit::ScreenWidth() const {
  return twips::FromPixels(PrimaryGeometry().width());
}
float QtToolkit::ScreenHeight() const {
  return twips::FromPixels(PrimaryGeometry().height());
}

void QtToolkit::MessageBoxOk(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(title), MessageText(text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

MessageBoxAnswer QtToolkit::MessageBoxYesNo(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Question, ToQString(title), MessageText(text),
                  QMessageBox::Yes | QMessageBox::No);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes ? MessageBoxAnswer::kYes : MessageBoxAnswer::kNo;
}

std::string QtToolkit::ShowOpenDialog(const std::string& title, const std::string& initialFile) {
  const QString start = initialFile.empty() ? QDir::currentPath() : ToQString(initialFile);
  return FromQString(QFileDialog::getOpenFileName(nullptr, ToQString(title), start));
}

void QtToolkit::ProcessEvents() {
  QCoreApplication::processEvents();
}

}  // namespace tarvolin::platform
